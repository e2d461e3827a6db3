#pragma once
#include <filesystem>
#include <vector>

#include "tools/manifest.h"

namespace tools {

// Writes the archive of these entries, in their order, as one bzip2 stream with 900 k
// blocks. The file appears whole or not at all.
void pack(const std::vector<manifest_entry>& entries, const std::filesystem::path& out);

} // namespace tools
