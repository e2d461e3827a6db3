#include "payload/bzip2_blocks.h"

#include <array>
#include <cstring>

namespace payload {
namespace {

// For each byte value, the bit offsets (0 to 7, as a mask) at which a magic starting in the
// byte before would put exactly this value in this byte: low byte for the block magic, high
// byte for the end magic. Every magic covers the whole byte after the one it starts in, so
// one look-up per byte leaves few places to compare in full.
constexpr std::array<std::uint16_t, 256> make_second_byte_table()
{
    std::array<std::uint16_t, 256> table{};
    for (unsigned shift = 0; shift < 8; ++shift) {
        table[(bzip2_block_magic >> (32 + shift)) & 0xFF] |= static_cast<std::uint16_t>(1u << shift);
        table[(bzip2_end_magic >> (32 + shift)) & 0xFF] |= static_cast<std::uint16_t>(0x100u << shift);
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> second_byte_table = make_second_byte_table();

// Appends bits to a zero-filled byte buffer, from a given bit on.
class bit_writer {
public:
    bit_writer(unsigned char* bytes, std::uint64_t at) : bytes_(bytes), at_(at) {}

    void put(std::uint64_t value, unsigned width)
    {
        for (unsigned i = width; i-- > 0; ++at_) {
            if ((value >> i) & 1)
                bytes_[at_ / 8] |= static_cast<unsigned char>(0x80u >> (at_ % 8));
        }
    }

private:
    unsigned char* bytes_;
    std::uint64_t at_;
};

} // namespace

std::uint64_t read_bits(const unsigned char* bytes, std::size_t size, std::uint64_t at, unsigned width) noexcept
{
    const std::uint64_t first = at / 8;
    std::uint64_t word = 0;
    for (std::uint64_t i = 0; i < 8; ++i)
        word = (word << 8) | (first + i < size ? bytes[first + i] : 0u);
    return (word << (at % 8)) >> (64 - width);
}

std::optional<bzip2_mark> find_bzip2_mark(const unsigned char* bytes, std::size_t size, std::uint64_t from) noexcept
{
    const std::uint64_t bits = std::uint64_t{size} * 8;
    if (bits < bzip2_magic_bits || from > bits - bzip2_magic_bits)
        return std::nullopt;
    const std::uint64_t last = bits - bzip2_magic_bits;
    for (std::uint64_t index = from / 8 + 1; index < size; ++index) {
        const unsigned shifts = second_byte_table[bytes[index]];
        if (shifts == 0)
            continue;
        for (unsigned shift = 0; shift < 8; ++shift) {
            const bool block = (shifts >> shift) & 1;
            const bool end = (shifts >> (8 + shift)) & 1;
            if (!block && !end)
                continue;
            const std::uint64_t at = (index - 1) * 8 + shift;
            if (at < from)
                continue;
            if (at > last)
                return std::nullopt;
            const std::uint64_t candidate = read_bits(bytes, size, at, bzip2_magic_bits);
            if (block && candidate == bzip2_block_magic)
                return bzip2_mark{at, bzip2_mark::block};
            if (end && candidate == bzip2_end_magic)
                return bzip2_mark{at, bzip2_mark::end};
        }
    }
    return std::nullopt;
}

std::vector<unsigned char> wrap_bzip2_block(const unsigned char* bytes, std::size_t size, std::uint64_t begin,
                                            std::uint64_t end, char level, std::uint32_t crc)
{
    const std::uint64_t length = end - begin;
    const std::uint64_t total_bits = bzip2_header_bits + length + bzip2_magic_bits + 32;
    std::vector<unsigned char> wrapped(static_cast<std::size_t>((total_bits + 7) / 8), 0);
    wrapped[0] = 'B';
    wrapped[1] = 'Z';
    wrapped[2] = 'h';
    wrapped[3] = static_cast<unsigned char>(level);

    const auto whole = static_cast<std::size_t>(length / 8);
    const unsigned char* in = bytes + begin / 8;
    const unsigned shift = static_cast<unsigned>(begin % 8);
    unsigned char* out = wrapped.data() + bzip2_header_bits / 8;
    if (shift == 0) {
        std::memcpy(out, in, whole);
    } else {
        for (std::size_t i = 0; i < whole; ++i)
            out[i] = static_cast<unsigned char>((in[i] << shift) | (in[i + 1] >> (8 - shift)));
    }
    const auto rest = static_cast<unsigned>(length % 8);
    bit_writer writer(wrapped.data(), bzip2_header_bits + std::uint64_t{whole} * 8);
    if (rest != 0)
        writer.put(read_bits(bytes, size, begin + std::uint64_t{whole} * 8, rest), rest);
    writer.put(bzip2_end_magic, bzip2_magic_bits);
    writer.put(crc, 32);
    return wrapped;
}

} // namespace payload
