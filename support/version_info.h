#pragma once
#include <cstdint>
#include <string>

namespace tal {

// What an executable's version resource says. The caller sets `request`; the read fills the
// fields asked for.
struct version_info {
    enum request_bits : std::uint32_t {
        title_bit = 0x01,           // product name, blank, product version, build remarks
        product_name_bit = 0x02,
        product_version_bit = 0x04,
        description_bit = 0x08,
        copyright_bit = 0x10,
        version_bit = 0x20,
        file_flags_bit = 0x40,
        everything = 0xFFFFFFFFu,
    };

    std::uint32_t request = 0;
    std::uint64_t version = 0;  // major.minor in the high 32 bits, build.revision in the low
    std::uint32_t file_flags = 0;
    std::wstring title;
    std::wstring product_name;
    std::wstring product_version;
    std::wstring description;
    std::wstring copyright;
};

// Reads the version resource of `path`, or of this executable when it is null. Every query is
// tried; false when the file has no resource or any requested value is missing, with whatever
// could be read filled in. On false the thread's last error says why: the code of the read that
// failed (a file held by another program, a path too long, ...), or
// ERROR_RESOURCE_TYPE_NOT_FOUND when the record or a requested value is missing.
bool read_version_info(version_info& info, const wchar_t* path = nullptr);

} // namespace tal
