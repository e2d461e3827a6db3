#pragma once
// The bit-level layout of a bzip2 stream that parallel decoding needs: where blocks begin,
// and how one block is cut out into a stream of its own that libbz2 decodes alone.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace payload {

inline constexpr std::uint64_t bzip2_block_magic = 0x314159265359;
inline constexpr std::uint64_t bzip2_end_magic = 0x177245385090;
inline constexpr unsigned bzip2_magic_bits = 48;
// "BZh" and the block size digit.
inline constexpr unsigned bzip2_header_bits = 32;

// A block or end-of-stream magic, by the bit where it starts (most significant bit first).
struct bzip2_mark {
    enum kind_type { block, end };
    std::uint64_t bit;
    kind_type kind;
};

// `width` bits (1 to 56) from bit `at`, the first one most significant; bits past `size`
// bytes read as 0.
std::uint64_t read_bits(const unsigned char* bytes, std::size_t size, std::uint64_t at, unsigned width) noexcept;

// The first magic that starts at bit `from` or later and lies wholly inside `size` bytes.
std::optional<bzip2_mark> find_bzip2_mark(const unsigned char* bytes, std::size_t size, std::uint64_t from) noexcept;

// The block whose bits are [begin, end) of `bytes`, shifted behind a stream header of block
// size `level` ('1' to '9') and followed by the end-of-stream magic with `crc`, the block's
// own CRC, as the stream's combined CRC. Padded with zero bits to a whole byte.
std::vector<unsigned char> wrap_bzip2_block(const unsigned char* bytes, std::size_t size, std::uint64_t begin,
                                            std::uint64_t end, char level, std::uint32_t crc);

// The stream's combined CRC after one more block.
constexpr std::uint32_t combine_bzip2_crc(std::uint32_t combined, std::uint32_t block) noexcept
{
    return ((combined << 1) | (combined >> 31)) ^ block;
}

} // namespace payload
