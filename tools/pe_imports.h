#pragma once
// The DLLs a Windows executable imports statically, read without the Windows API.
#include <string>
#include <string_view>
#include <vector>

namespace tools {

// The names in the import directory of `image` (the whole file), in table order, as stored.
// Delay-loaded DLLs are not counted: the loader does not resolve them at start. Raises
// pe_error when the image is malformed.
std::vector<std::string> pe_imported_dlls(std::string_view image);

// The names of `imports` that are not in `allowed`, compared without regard to ASCII case.
std::vector<std::string> disallowed_dlls(const std::vector<std::string>& imports,
                                         const std::vector<std::string>& allowed);

// The system DLLs that every Windows from 7 to 11 lists as KnownDLLs (loaded from the system
// folder whatever lies beside a program), and COMCTL32.dll, which the installer's manifest
// redirects to the side-by-side version 6.
const std::vector<std::string>& installer_allowed_dlls();

} // namespace tools
