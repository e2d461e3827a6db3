#pragma once
// Owners of the Win32 handle kinds. Closing keeps GetLastError so that a failure's code
// survives the cleanup on its way to the caller.
#include <windows.h>

#include "holders/unique_any.h"

namespace tal {
namespace details {

template <class T, auto Close, auto Invalid>
struct win32_traits {
    using type = T;
    static type invalid() noexcept { return reinterpret_cast<type>(Invalid); }
    static void close(type h) noexcept
    {
        const DWORD error = ::GetLastError();
        Close(h);
        ::SetLastError(error);
    }
};

} // namespace details

// INVALID_HANDLE_VALUE is (HANDLE)-1: files use it for "none", most other kernel objects null.
using unique_hfile = unique_any<details::win32_traits<HANDLE, &::CloseHandle, static_cast<intptr_t>(-1)>>;
using unique_handle = unique_any<details::win32_traits<HANDLE, &::CloseHandle, intptr_t{0}>>;
using unique_hkey = unique_any<details::win32_traits<HKEY, &::RegCloseKey, intptr_t{0}>>;
using unique_hmodule = unique_any<details::win32_traits<HMODULE, &::FreeLibrary, intptr_t{0}>>;

} // namespace tal
