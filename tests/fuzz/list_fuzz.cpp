// libFuzzer target over `payload list`: the directory read from compressed input through the
// bzip2 reader. The first byte chooses how the rest is used: as a bzip2 stream (the
// decompressor on damaged streams), or as a decompressed archive compressed here first (the
// header and directory behind a sound stream).
#include <bzlib.h>

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>

#include "payload/archive_format.h"
#include "payload/memstream.h"
#include "tools/archive_listing.h"

namespace {

std::string compress(const char* bytes, std::size_t size)
{
    std::string out(size + size / 100 + 600, '\0');
    auto out_size = static_cast<unsigned>(out.size());
    if (BZ2_bzBuffToBuffCompress(out.data(), &out_size, const_cast<char*>(bytes), static_cast<unsigned>(size), 1, 0,
                                 0)
        != BZ_OK)
        std::abort();
    out.resize(out_size);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const char* rest = reinterpret_cast<const char*>(data + 1);
    const std::string compressed = (data[0] & 1) ? compress(rest, size - 1) : std::string(rest, size - 1);
    tal::imemstream source(compressed.data(), compressed.size());
    try {
        const tools::archive_listing listing = tools::list_archive(source);
        if (listing.header_size < payload::minimal_header_size || listing.header_size > payload::maximal_header_size)
            std::abort();
    } catch (const std::exception&) {
    }
    return 0;
}
