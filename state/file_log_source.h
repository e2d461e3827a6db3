#pragma once
// The uninstall log read from a file, one byte per call, and 8-bit lines in the ANSI code page.
#include <windows.h>

#include <string>
#include <string_view>

#include "state/log_reader.h"

namespace state {

class file_log_source final : public log_source {
public:
    explicit file_log_source(HANDLE file) : file_(file) {}
    result read_byte(unsigned char& byte) override
    {
        DWORD got = 0;
        if (!::ReadFile(file_, &byte, 1, &got, nullptr))
            return result::failed;
        return got == 1 ? result::byte : result::end;
    }

private:
    HANDLE file_;
};

inline std::wstring ansi_to_wide(std::string_view bytes)
{
    const int length = ::MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, bytes.data(), static_cast<int>(bytes.size()),
                                             nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                              length);
    return text;
}

} // namespace state
