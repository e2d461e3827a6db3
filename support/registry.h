#pragma once
// Registry keys opened or created as owned holders. On failure the holder is empty and the
// thread's last error is the registry's error code.
#include <windows.h>

#include "holders/handles.h"

namespace tal {

unique_hkey open_key(HKEY parent, const wchar_t* path, REGSAM access);

// `existed` (when given) tells whether the key was there before.
unique_hkey create_key(HKEY parent, const wchar_t* path, REGSAM access, bool* existed = nullptr);

} // namespace tal
