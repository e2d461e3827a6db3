#include "payload/compress_error.h"

#include <cstdio>
#include <ios>

#include "payload/platform.h"

namespace payload {
namespace {

class category final : public std::error_category {
public:
    const char* name() const noexcept override { return "compress"; }
    std::string message(int value) const override
    {
        switch (static_cast<compress_errc>(value)) {
        case compress_errc::invalid_checksum: return "invalid checksum";
        case compress_errc::interrupted: return "interrupted";
        case compress_errc::bzip2_error: return "bzip2 error";
        case compress_errc::unexpected_error: return "unexpected error";
        default: return "unknown error";
        }
    }
};

} // namespace

const std::error_category& compress_category() noexcept
{
    static const category instance;
    return instance;
}

std::error_code make_error_code(compress_errc e) noexcept
{
    return {static_cast<int>(e), compress_category()};
}

void raise(compress_errc e)
{
    throw std::system_error(make_error_code(e));
}

bzip2_failure::bzip2_failure(int status)
    : std::runtime_error("bzip2 error " + std::to_string(status)), status_(status)
{
}

std::error_code to_error_code(const std::exception& e)
{
    if (dynamic_cast<const bzip2_failure*>(&e))
        return compress_errc::bzip2_error;
    if (dynamic_cast<const std::ios_base::failure*>(&e)) {
        if (const std::error_code recorded = platform::recorded_runtime_error())
            return recorded;
    }
    if (const auto* system = dynamic_cast<const std::system_error*>(&e))
        return system->code();
    return compress_errc::unexpected_error;
}

std::string error_code_text(const std::error_code& code)
{
    char text[16];
    const auto value = static_cast<unsigned>(code.value());
    if (code.category() == std::system_category())
        std::snprintf(text, sizeof text, "1:%08X", value);
    else if (code.category() == std::generic_category())
        std::snprintf(text, sizeof text, "2:%08X", value);
    else if (code.category() == compress_category())
        std::snprintf(text, sizeof text, "%d", code.value());
    else
        return "7";
    return text;
}

} // namespace payload
