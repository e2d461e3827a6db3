#include "payload/archive_format.h"

#include "payload/compress_error.h"

namespace payload {
namespace {

// The fixed part of an entry: two lengths, kind, size and CRC.
constexpr std::size_t entry_fixed_size = 4 + 4 + 4 + 8 + 4;

void put(std::string& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Reads fields in order; what lies past the end of the header reads as zeros.
class directory_cursor {
public:
    directory_cursor(const char* bytes, std::size_t size, std::size_t offset)
        : bytes_(bytes), size_(size), offset_(offset) {}

    std::uint64_t number(int width)
    {
        std::uint64_t value = 0;
        for (int i = 0; i < width; ++i, ++offset_) {
            if (offset_ < size_)
                value |= std::uint64_t{static_cast<unsigned char>(bytes_[offset_])} << (8 * i);
        }
        return value;
    }

    std::wstring text()
    {
        const std::uint64_t units = number(4);
        if (units == 0)
            return {};
        if (offset_ >= size_ || units > (size_ - offset_) / 2)
            raise(compress_errc::unexpected_error);
        std::wstring value = from_utf16le(bytes_ + offset_, static_cast<std::size_t>(units));
        offset_ += static_cast<std::size_t>(units) * 2;
        return value;
    }

private:
    const char* bytes_;
    std::size_t size_;
    std::size_t offset_;
};

} // namespace

std::uint64_t read_u64(const char* bytes) noexcept
{
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i)
        value |= std::uint64_t{static_cast<unsigned char>(bytes[i])} << (8 * i);
    return value;
}

std::string encode_header(const std::vector<archive_entry>& entries)
{
    std::string directory;
    for (const archive_entry& entry : entries) {
        const std::string source = to_utf16le(entry.source);
        const std::string destination = to_utf16le(entry.destination);
        put(directory, source.size() / 2, 4);
        directory += source;
        put(directory, destination.size() / 2, 4);
        directory += destination;
        put(directory, entry.kind, 4);
        put(directory, entry.size, 8);
        put(directory, entry.crc, 4);
    }
    std::string header;
    put(header, minimal_header_size + directory.size(), 8);
    put(header, entries.size(), 4);
    return header + directory;
}

std::vector<archive_entry> decode_directory(const char* header, std::size_t size)
{
    directory_cursor cursor(header, size, 8);
    const std::uint64_t count = cursor.number(4);
    if (size < minimal_header_size || count > (size - minimal_header_size) / entry_fixed_size)
        raise(compress_errc::unexpected_error);
    std::vector<archive_entry> entries(static_cast<std::size_t>(count));
    for (archive_entry& entry : entries) {
        entry.source = cursor.text();
        entry.destination = cursor.text();
        entry.kind = static_cast<std::uint32_t>(cursor.number(4));
        entry.size = cursor.number(8);
        entry.crc = static_cast<std::uint32_t>(cursor.number(4));
    }
    return entries;
}

std::string to_utf16le(const std::wstring& text)
{
    std::string out;
    out.reserve(text.size() * 2);
    const auto unit = [&out](std::uint32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>((u >> 8) & 0xFF);
    };
    for (const wchar_t wc : text) {
        const auto c = static_cast<std::uint32_t>(wc);
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
    }
    return out;
}

std::wstring from_utf16le(const char* bytes, std::size_t units)
{
    std::wstring text;
    text.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
        const auto c = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i])
                                             | static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
        if constexpr (sizeof(wchar_t) == 4) {
            // Surrogate pairs become one code point where wchar_t holds UTF-32.
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < units) {
                const auto low = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i + 2])
                                                       | static_cast<unsigned char>(bytes[2 * i + 3]) << 8);
                if (low >= 0xDC00 && low < 0xE000) {
                    text += static_cast<wchar_t>(0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                    ++i;
                    continue;
                }
            }
        }
        text += static_cast<wchar_t>(c);
    }
    return text;
}

} // namespace payload
