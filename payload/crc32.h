#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace payload {

// The CRC-32 of zlib and IEEE 802.3 (reflected, polynomial 0x04C11DB7, register from
// 0xFFFFFFFF, result inverted), fed piece by piece.
class crc32 {
public:
    void update(const void* bytes, std::size_t count) noexcept;
    std::uint32_t value() const noexcept { return ~register_; }

private:
    std::uint32_t register_ = 0xFFFFFFFFu;
};

// The CRC-32 of a whole file, read in 64 KB blocks. A file that another process holds
// (sharing violation) is tried again after a second, four attempts in all; every other
// failure raises a file_error with the file's path at once.
std::uint32_t file_crc32(const std::wstring& path);

} // namespace payload
