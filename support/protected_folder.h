#pragma once
// Folders that only SYSTEM and Administrators may use: the elevated run keeps its temporary
// files, backups and saved keys there, out of reach of the installing user's other processes.
#include <windows.h>

#include <string>

#include "support/security.h"

namespace tal {

// Full control for SYSTEM and for Administrators, handed down to every file and folder inside.
inline constexpr DWORD protected_folder_access = FILE_ALL_ACCESS;
inline constexpr BYTE protected_folder_inheritance = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

// The descriptor of a protected folder: those two entries and nothing inherited from the
// parent (SE_DACL_PROTECTED). Throws the HRESULT of a failure as a long.
security_descriptor_block protected_folder_descriptor();

// Creates the folder `path` with that descriptor: ERROR_SUCCESS, or the error of the failure
// (an HRESULT when the descriptor could not be built). A name that exists already is a
// failure (ERROR_ALREADY_EXISTS): a folder someone else made may hold anything.
DWORD create_protected_folder(const std::wstring& path);

} // namespace tal
