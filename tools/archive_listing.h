#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "payload/archive_entry.h"
#include "payload/byte_source.h"

namespace tools {

// The compressed payload in FILE: the file itself, or the payload resource of an installer.
std::string load_payload(const std::filesystem::path& file);

struct archive_listing {
    std::vector<payload::archive_entry> entries; // destinations as stored
    std::uint64_t header_size = 0;
    std::uint64_t total_size = 0;
};

// Decompresses no more than the header and reads the directory.
archive_listing list_archive(payload::byte_source& compressed);

} // namespace tools
