#include "payload/crc32.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include "payload/platform.h"

namespace payload {
namespace {

constexpr int sharing_violation = 32;
constexpr int max_attempts = 4;

std::uint32_t read_crc32(const std::wstring& path)
{
    platform::clear_runtime_errors();
    platform::input_file file(path);
    crc32 sum;
    char block[4096];
    while (const std::size_t got = file.read(block, sizeof block))
        sum.update(block, got);
    return sum.value();
}

} // namespace

std::uint32_t file_crc32(const std::wstring& path)
{
    for (int attempt = 1;; ++attempt) {
        try {
            return read_crc32(path);
        } catch (const std::filesystem::filesystem_error& e) {
            if (attempt == max_attempts || e.code() != std::error_code(sharing_violation, std::system_category()))
                throw;
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}

} // namespace payload
