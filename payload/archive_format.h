#pragma once
// The byte layout of the archive: header_size (u64), entry_count (u32), the directory, then
// every file's bytes in directory order. Integers are little-endian, strings UTF-16LE.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "payload/archive_entry.h"

namespace payload {

inline constexpr std::uint64_t minimal_header_size = 12;
// A thousand times the header a real product needs: a larger header_size is refused before
// anything is gathered, so that a few compressed bytes cannot make the reader hold gigabytes.
inline constexpr std::uint64_t maximal_header_size = 16 * 1024 * 1024;

// The whole header (its first 8 bytes included) for these entries.
std::string encode_header(const std::vector<archive_entry>& entries);

// The entries of a complete header of `size` bytes. Numbers that would lie past the end
// read as 0; a count or a string that cannot fit raises unexpected_error instead of
// allocating for it.
std::vector<archive_entry> decode_directory(const char* header, std::size_t size);

std::uint64_t read_u64(const char* bytes) noexcept;

// UTF-16LE code units of a wide string, and back.
std::string to_utf16le(const std::wstring& text);
std::wstring from_utf16le(const char* bytes, std::size_t units);

} // namespace payload
