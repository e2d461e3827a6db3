#pragma once
// The engine's failure of the file system: the system's code and the path it concerns.
#include <string>
#include <system_error>

namespace payload {

class file_error : public std::system_error {
public:
    file_error(const char* what, std::wstring path, std::error_code code)
        : std::system_error(code, what), path_(std::move(path))
    {
    }

    const std::wstring& path() const noexcept { return path_; }

private:
    std::wstring path_;
};

} // namespace payload
