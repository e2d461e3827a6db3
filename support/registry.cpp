#include "support/registry.h"

#include <shlwapi.h>

#include <algorithm>
#include <cwchar>

namespace tal {

unique_hkey open_key(HKEY parent, const wchar_t* path, REGSAM access)
{
    unique_hkey key;
    const LSTATUS status = ::RegOpenKeyExW(parent, path, 0, access, key.put());
    if (status != ERROR_SUCCESS) {
        key.release(); // the slot may hold garbage after a failure
        ::SetLastError(static_cast<DWORD>(status));
    }
    return key;
}

unique_hkey create_key(HKEY parent, const wchar_t* path, REGSAM access, bool* existed)
{
    unique_hkey key;
    DWORD disposition = 0;
    const LSTATUS status = ::RegCreateKeyExW(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                             key.put(), &disposition);
    if (status != ERROR_SUCCESS) {
        key.release();
        ::SetLastError(static_cast<DWORD>(status));
        return key;
    }
    if (existed)
        *existed = disposition == REG_OPENED_EXISTING_KEY;
    return key;
}

std::optional<std::wstring> read_string(HKEY key, const wchar_t* path, const wchar_t* name)
{
    // A value that would keep growing past a million characters is refused.
    constexpr std::size_t longest = 1 << 20;
    std::wstring value(MAX_PATH, L'\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        const LSTATUS status = ::SHGetValueW(key, path, name, nullptr, value.data(), &size);
        if (status == ERROR_MORE_DATA && value.size() < longest) {
            value.resize(std::max<std::size_t>(value.size() * 2, size / sizeof(wchar_t) + 1));
            continue;
        }
        if (status != ERROR_SUCCESS) {
            ::SetLastError(static_cast<DWORD>(status));
            return std::nullopt;
        }
        value.resize(::wcsnlen(value.c_str(), size / sizeof(wchar_t)));
        return value;
    }
}

bool key_is_empty(HKEY key)
{
    DWORD subkeys = 0, values = 0;
    return ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                              nullptr, nullptr)
               == ERROR_SUCCESS
           && subkeys == 0 && values == 0;
}

} // namespace tal
