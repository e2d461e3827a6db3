#pragma once
// A DLL that the run extracted itself, loaded so that neither it nor its own imports can come
// from the folder the installer was started from or the current folder.
#include <windows.h>

#include <string>

namespace tal {

// Whether this system's LoadLibraryExW takes the LOAD_LIBRARY_SEARCH_* flags (Windows 8, or
// Windows 7 with the update that added AddDllDirectory).
bool library_search_flags_supported();

// Loads the DLL at the full path `path`, its imports from its own folder and the system
// folder only, where the system supports it; elsewhere a plain LoadLibraryW of the full path.
// A path that is not absolute is refused (ERROR_INVALID_PARAMETER). Null with the loader's error when it cannot be loaded.
HMODULE load_private_library(const std::wstring& path);

} // namespace tal
