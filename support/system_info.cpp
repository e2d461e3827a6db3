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

std::wstring module_file_name()
{
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD got = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (got == 0)
            return {};
        if (got < name.size()) {
            name.resize(got);
            return name;
        }
        name.resize(name.size() * 2);
    }
}

} // namespace tal
