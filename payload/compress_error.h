#pragma once
#include <exception>
#include <stdexcept>
#include <string>
#include <system_error>

namespace payload {

// The engine's own error codes, in the "compress" category. Values 0 to 2 are unused.
enum class compress_errc {
    invalid_checksum = 3,
    archive_damaged = 4,
    interrupted = 5,
    bzip2_error = 6,
    unexpected_error = 7,
};

const std::error_category& compress_category() noexcept;
std::error_code make_error_code(compress_errc e) noexcept;

[[noreturn]] void raise(compress_errc e);

// The decompressor's failure; `status` is libbz2's code.
class bzip2_failure : public std::runtime_error {
public:
    explicit bzip2_failure(int status);
    int status() const noexcept { return status_; }

private:
    int status_;
};

// Turns any failure of the engine into the one code that the error notification carries.
std::error_code to_error_code(const std::exception& e);

// The text the installation page shows for a code: "1:%08X" for system errors, "2:%08X" for
// errno values, the decimal value for the engine's own, "7" for anything else.
std::string error_code_text(const std::error_code& code);

} // namespace payload

namespace std {
template <>
struct is_error_code_enum<payload::compress_errc> : true_type {};
} // namespace std
