#pragma once
// Inside the security layer failures travel as HRESULT values thrown as a plain long; each
// public operation catches them and answers false or null.
#include <windows.h>

namespace tal {

// The HRESULT of a Win32 last-error value; 0 and values that already look negative stay.
constexpr long hresult_from_error(long error) noexcept
{
    return error > 0 ? static_cast<long>(0x80070000u | (static_cast<unsigned long>(error) & 0xFFFFu)) : error;
}

[[noreturn]] inline void throw_last_error()
{
    throw hresult_from_error(static_cast<long>(::GetLastError()));
}

} // namespace tal
