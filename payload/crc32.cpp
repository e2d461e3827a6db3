#include "payload/crc32.h"

#include <chrono>
#include <thread>
#include <vector>

#include "payload/platform.h"

namespace payload {
namespace {

// Eight tables of 256 entries, built once: the first is the classic byte table, the others
// let eight bytes be folded per step. Every written file is read back through this, so it
// is the verification's speed.
struct crc_tables {
    std::uint32_t t[8][256];

    crc_tables() noexcept
    {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t r = i;
            for (int bit = 0; bit < 8; ++bit)
                r = (r >> 1) ^ (0xEDB88320u & (0u - (r & 1u)));
            t[0][i] = r;
        }
        for (int k = 1; k < 8; ++k) {
            for (std::uint32_t i = 0; i < 256; ++i)
                t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
        }
    }
};

const crc_tables& tables() noexcept
{
    static const crc_tables instance;
    return instance;
}

std::uint32_t load_le32(const unsigned char* p) noexcept
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

constexpr int sharing_violation = 32;
constexpr int max_attempts = 4;

// Every written file is read back: in blocks as large as the writes, so that the read-back
// costs a sixteenth of the calls that 4 KB blocks took.
constexpr std::size_t read_block_size = 64 * 1024;

std::uint32_t read_crc32(const std::wstring& path)
{
    platform::clear_runtime_errors();
    platform::input_file file(path);
    crc32 sum;
    std::vector<char> block(read_block_size);
    while (const std::size_t got = file.read(block.data(), block.size()))
        sum.update(block.data(), got);
    return sum.value();
}

} // namespace

void crc32::update(const void* bytes, std::size_t count) noexcept
{
    const auto& t = tables().t;
    const auto* p = static_cast<const unsigned char*>(bytes);
    std::uint32_t r = register_;
    for (; count >= 8; count -= 8, p += 8) {
        const std::uint32_t one = load_le32(p) ^ r;
        const std::uint32_t two = load_le32(p + 4);
        r = t[7][one & 0xFF] ^ t[6][(one >> 8) & 0xFF] ^ t[5][(one >> 16) & 0xFF] ^ t[4][one >> 24]
            ^ t[3][two & 0xFF] ^ t[2][(two >> 8) & 0xFF] ^ t[1][(two >> 16) & 0xFF] ^ t[0][two >> 24];
    }
    for (; count > 0; --count, ++p)
        r = (r >> 8) ^ t[0][(r ^ *p) & 0xFF];
    register_ = r;
}

std::uint32_t file_crc32(const std::wstring& path)
{
    for (int attempt = 1;; ++attempt) {
        try {
            return read_crc32(path);
        } catch (const file_error& e) {
            if (attempt == max_attempts || e.code() != std::error_code(sharing_violation, std::system_category()))
                throw;
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}

} // namespace payload
