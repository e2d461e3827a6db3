#pragma once
// Owners of the Win32 handle kinds. Closing keeps GetLastError so that a failure's code
// survives the cleanup on its way to the caller.
#include <windows.h>
#include <objbase.h>
#include <shtypes.h>

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
using unique_hfind = unique_any<details::win32_traits<HANDLE, &::FindClose, static_cast<intptr_t>(-1)>>;
using unique_hkey = unique_any<details::win32_traits<HKEY, &::RegCloseKey, intptr_t{0}>>;
using unique_hmodule = unique_any<details::win32_traits<HMODULE, &::FreeLibrary, intptr_t{0}>>;
// Memory the shell hands out with CoTaskMemAlloc (item id lists, strings).
using unique_cotaskmem = unique_any<details::win32_traits<void*, &::CoTaskMemFree, intptr_t{0}>>;
using unique_idlist = unique_any<details::win32_traits<LPITEMIDLIST, &::CoTaskMemFree, intptr_t{0}>>;

// COM initialised on this thread for the life of the holder; uninitialised only when this
// holder's call succeeded (S_FALSE included, as the pairing rule asks).
class com_initialization {
public:
    com_initialization() noexcept : result_(::CoInitialize(nullptr)) {}
    ~com_initialization()
    {
        if (SUCCEEDED(result_))
            ::CoUninitialize();
    }
    com_initialization(const com_initialization&) = delete;
    com_initialization& operator=(const com_initialization&) = delete;

    HRESULT result() const noexcept { return result_; }
    explicit operator bool() const noexcept { return SUCCEEDED(result_); }

private:
    HRESULT result_;
};

} // namespace tal
