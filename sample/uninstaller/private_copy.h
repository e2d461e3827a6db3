#pragma once
// The uninstaller runs elevated from a copy of itself. The copy goes into a folder that only
// SYSTEM and Administrators may change, under a name nobody can guess, so that no other
// process of the user can swap the program or plant a library beside it.
#include <windows.h>

#include <string>

namespace uninstaller {

// `count` random bytes from the system's generator, as lower-case hexadecimal; empty when the generator cannot be had.
std::wstring random_hex(std::size_t count);

// A new private folder below `parent` with a random name; empty with `error` set on failure.
std::wstring make_private_folder(const std::wstring& parent, DWORD& error);

} // namespace uninstaller
