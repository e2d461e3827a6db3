#include "support/system_info.h"

#include <mutex>

namespace tal {

void system_windows_directory(wchar_t (&buffer)[261])
{
    using get_folder = UINT(WINAPI*)(LPWSTR, UINT);
    const HMODULE kernel = ::GetModuleHandleW(L"Kernel32");
    const auto function = kernel ? reinterpret_cast<get_folder>(reinterpret_cast<void*>(
                                       ::GetProcAddress(kernel, "GetSystemWindowsDirectoryW")))
                                 : nullptr;
    if (function)
        function(buffer, 261);
    else
        ::GetWindowsDirectoryW(buffer, 261);
}

bool is_vista_or_later()
{
    static std::once_flag once;
    static bool result = false;
    std::call_once(once, [] {
        OSVERSIONINFOEXW wanted{};
        wanted.dwOSVersionInfoSize = sizeof wanted;
        wanted.dwMajorVersion = 6;
        wanted.dwMinorVersion = 0;
        ULONGLONG condition = ::VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL);
        condition = ::VerSetConditionMask(condition, VER_MINORVERSION, VER_GREATER_EQUAL);
        result = ::VerifyVersionInfoW(&wanted, VER_MAJORVERSION | VER_MINORVERSION, condition) != FALSE;
    });
    return result;
}

} // namespace tal
