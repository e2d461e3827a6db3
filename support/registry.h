#pragma once
// Registry keys opened or created as owned holders. On failure the holder is empty and the
// thread's last error is the registry's error code.
#include <windows.h>

#include <optional>
#include <string>

#include "holders/handles.h"

namespace tal {

unique_hkey open_key(HKEY parent, const wchar_t* path, REGSAM access);

// `existed` (when given) tells whether the key was there before.
unique_hkey create_key(HKEY parent, const wchar_t* path, REGSAM access, bool* existed = nullptr);

// True when `key` holds neither values nor subkeys (false when it cannot be asked).
bool key_is_empty(HKEY key);

// A string value of `key`, or of its subkey `path` when not null, whatever its length
// (REG_EXPAND_SZ comes expanded). Empty when it cannot be read, with the registry's error as
// the thread's last error.
std::optional<std::wstring> read_string(HKEY key, const wchar_t* path, const wchar_t* name);

} // namespace tal
