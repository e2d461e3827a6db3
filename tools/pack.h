#pragma once
#include <filesystem>
#include <functional>
#include <istream>
#include <memory>
#include <vector>

#include "tools/manifest.h"

namespace tools {

// Writes the archive of these entries, in their order, as one bzip2 stream with 900 k
// blocks. The file appears whole or not at all.
void pack(const std::vector<manifest_entry>& entries, const std::filesystem::path& out);

// Opens a source for reading; null when it cannot be opened. Each source is opened twice:
// once for the directory (size and CRC), once for the bytes of the stream.
using source_opener = std::function<std::unique_ptr<std::istream>(const std::filesystem::path&)>;

// The same, with every source opened by `open`. A source whose second reading differs from
// the first in size or CRC is an error: the archive would not match its own directory.
void pack(const std::vector<manifest_entry>& entries, const std::filesystem::path& out, const source_opener& open);

} // namespace tools
