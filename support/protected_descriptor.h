#pragma once
// Descriptors whose DACL is protected (nothing inherited from the parent) and holds exactly
// the entries given, for what the elevated installer and uninstaller create where other
// accounts could otherwise write: the uninstaller's private copy, a new installation folder
// outside Program Files, the uninstall log.
#include <windows.h>

#include <initializer_list>

#include "support/security.h"

namespace tal {

struct allowed_entry {
    WELL_KNOWN_SID_TYPE who;
    ACCESS_MASK mask;
    BYTE inheritance; // OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE for a folder's content, 0 for a file
};

// Throws the HRESULT of a failure as a long, like the rest of security.h.
security_descriptor_block protected_descriptor(std::initializer_list<allowed_entry> entries);

// SYSTEM and Administrators, full control, for a folder and everything it will hold.
security_descriptor_block private_folder_descriptor();
// What Program Files gives its folders: SYSTEM and Administrators full control, Users read
// and execute, for the folder and everything it will hold.
security_descriptor_block program_folder_descriptor();
// A file that users may read and not change: SYSTEM and Administrators full control, Users read.
security_descriptor_block read_only_file_descriptor();

// Gives the opened file or folder the descriptor's DACL, protected, and lets the system pass
// its inheritable entries on to what the folder holds. ERROR_SUCCESS or the error.
DWORD set_protected_dacl(HANDLE object, const security_descriptor_block& descriptor);

} // namespace tal
