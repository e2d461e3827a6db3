#pragma once
// Folders that only SYSTEM and Administrators may use: the elevated run keeps its temporary
// files, backups and saved keys there, out of reach of the installing user's other processes.
#include <windows.h>

#include <string>

namespace tal {

// Creates the folder `path` with the descriptor of a private folder (SYSTEM and Administrators
// only, nothing inherited from the parent): ERROR_SUCCESS, or the error of the failure (an
// HRESULT when the descriptor could not be built). A name that exists already is a
// failure (ERROR_ALREADY_EXISTS): a folder someone else made may hold anything.
DWORD create_protected_folder(const std::wstring& path);

} // namespace tal
