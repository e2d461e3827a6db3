#pragma once
// The release engineer's list of what the payload carries: one entry a line, three
// tab-separated fields (source file, destination folder, kind name); empty lines and lines
// starting with '#' are ignored.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

struct manifest_entry {
    std::filesystem::path source; // absolute
    // What the archive stores: the source as the manifest writes it, normalised, with '\'
    // separators, so that the archive does not depend on the folder it was built in.
    std::wstring stored_source;
    std::wstring destination;
    std::uint32_t kind;
    int line;
};

// A manifest that cannot be used; the message names the file and line.
class manifest_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::vector<manifest_entry> read_manifest(const std::filesystem::path& manifest);

std::optional<std::uint32_t> parse_kind(std::string_view name);
const char* kind_name(std::uint32_t kind);

std::wstring from_utf8(std::string_view text);
std::string to_utf8(const std::wstring& text);

} // namespace tools
