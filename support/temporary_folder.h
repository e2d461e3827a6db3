#pragma once
// Where a run's temporary folder can go: below the system's temporary folder, or below the
// Windows folder's "Temp" when a long TEMP leaves no room for the name.
#include <windows.h>

#include <string>

namespace tal {

// The Windows folder, however long; empty when it cannot be had.
std::wstring windows_folder();

// The system's temporary folder with its trailing backslash, however long; empty with the
// thread's last error when it cannot be had.
std::wstring system_temporary_folder();

// `name` below `system_temp`, or, when that path and `room` more characters would not fit the
// Win32 limit, below the existing folder "Temp" of `windows_folder`. Empty with `error` set
// when neither can be named (ERROR_FILENAME_EXCED_RANGE when both are too long).
std::wstring choose_temporary_path(const std::wstring& system_temp, const std::wstring& windows_folder,
                                   const std::wstring& name, DWORD& error, std::size_t room = 0);

// The room the run's folder leaves: the journal names its backups in it with GetTempFileNameW,
// which takes no folder longer than MAX_PATH - 14 characters.
inline constexpr std::size_t temporary_folder_room = 13;

// choose_temporary_path over this machine's folders, with room for the backups kept inside;
// the error of GetTempPath when the system's temporary folder cannot be had.
std::wstring temporary_path_for(const std::wstring& name, DWORD& error);

} // namespace tal
