#include "tools/archive_listing.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include "payload/archive_format.h"
#include "payload/bzip2_reader.h"
#include "payload/compress_error.h"
#include "payload/payload_resource.h"
#include "tools/pe_resource.h"

namespace tools {
namespace {

void read_exactly(payload::bzip2_reader& reader, char* out, std::size_t count)
{
    while (count > 0) {
        const std::size_t got = reader.read(out, count);
        if (got == 0)
            throw std::runtime_error("the archive ends inside its header");
        out += got;
        count -= got;
    }
}

} // namespace

std::string load_payload(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error(file.string() + ": cannot be read");
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.rfind("MZ", 0) != 0)
        return bytes;
    return std::string(
        find_pe_resource(bytes, payload::payload_resource_type, payload::payload_resource_name));
}

archive_listing list_archive(payload::byte_source& compressed)
{
    payload::bzip2_reader reader(compressed);
    std::string header(8, '\0');
    read_exactly(reader, header.data(), 8);
    archive_listing listing;
    listing.header_size = payload::read_u64(header.data());
    if (listing.header_size < payload::minimal_header_size)
        throw std::runtime_error("header_size " + std::to_string(listing.header_size) + " is below 12");
    if (listing.header_size > payload::maximal_header_size)
        throw std::system_error(make_error_code(payload::compress_errc::unexpected_error),
                                "header_size " + std::to_string(listing.header_size) + " is above the limit of "
                                    + std::to_string(payload::maximal_header_size));
    // Gathered piece by piece: a header size that lies, yet stays under the cap, costs no
    // more memory than the archive really holds.
    while (header.size() < listing.header_size) {
        char piece[4096];
        const std::size_t want = static_cast<std::size_t>(
            std::min<std::uint64_t>(sizeof piece, listing.header_size - header.size()));
        read_exactly(reader, piece, want);
        header.append(piece, want);
    }
    listing.entries = payload::decode_directory(header.data(), header.size());
    listing.total_size = listing.header_size;
    for (const payload::archive_entry& entry : listing.entries)
        listing.total_size += entry.size;
    return listing;
}

} // namespace tools
