#pragma once
#include <windows.h>

#include <string>

namespace tal {

// The system's Windows folder (the shared one under Terminal Services) into a buffer of 261
// characters. The result of the call is not checked.
void system_windows_directory(wchar_t (&buffer)[261]);

// Windows 6.0 (Vista) or later; false when the system cannot say. Computed once.
bool is_vista_or_later();

// This executable's own path, whatever its length; empty when it cannot be had.
std::wstring module_file_name();

} // namespace tal
