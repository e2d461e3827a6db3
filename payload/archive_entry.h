#pragma once
#include <cstdint>
#include <string>

namespace payload {

// What the installation run does with an entry; the engine itself never looks at it.
enum class entry_kind : std::uint32_t {
    language_module = 0,
    program = 1,
    uninstaller = 2,
    user_data = 3,
    shared_data = 4,
    redistributable = 5,
};

// One directory entry. While the directory is read `destination` holds the stored folder;
// the engine then replaces it by the full path of the target file.
struct archive_entry {
    std::wstring source;
    std::wstring destination;
    std::uint32_t kind = 0;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    // The folder that the destination's token stands for, once the engine has resolved it;
    // empty when the destination has no known token. Nothing below it is written through a
    // link.
    std::wstring root{};
};

} // namespace payload
