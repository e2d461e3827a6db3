#pragma once
// Kernel objects shared with the other processes of the product family, in every session,
// for every user.
#include <windows.h>

#include <string>

namespace tal {

// "Global\" on NT 5 and later, where sessions have their own namespaces; else empty.
const std::wstring& global_object_prefix();

// Create (or open) a named object in the global namespace that Everyone may use. On return,
// GetLastError is what the creation left (ERROR_ALREADY_EXISTS for an existing object), or
// ERROR_CAN_NOT_COMPLETE when the security descriptor could not be built (null handle).
HANDLE create_global_mutex(bool initial_owner, const wchar_t* name);
HANDLE create_global_semaphore(LONG initial_count, LONG maximum_count, const wchar_t* name);

// The prefix for a reported version: "Global\" for the NT platform above major version 4.
const wchar_t* global_prefix_for(DWORD platform_id, DWORD major_version);

} // namespace tal
