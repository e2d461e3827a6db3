#pragma once
// The paths an installation makes below the folders the user chooses, so that the pages can
// refuse a folder below which one of them would not fit the Win32 path limit.
#include <cstddef>
#include <string>
#include <vector>

#include "payload/archive_entry.h"
#include "payload/byte_source.h"

// The entries of the payload's directory, read from the head of the compressed archive.
// Raises what the archive's readers raise for a damaged or cut archive.
std::vector<payload::archive_entry> ReadPayloadDirectory(payload::byte_source& compressed);

// Paths relative to the installation folder: every entry stored below "<InstallPath>" with its
// file name, and the uninstall log beside an uninstaller stored there.
std::vector<std::wstring> PathsBelowInstallFolder(const std::vector<payload::archive_entry>& directory);

// PathsBelowInstallFolder for the installer's own payload, read on first use; empty when its
// directory cannot be read (the run then reports the damaged payload).
const std::vector<std::wstring>& InstallerPathsBelowInstallFolder();

// The links that the run makes in the Start-menu folder, named in the current language.
std::vector<std::wstring> StartMenuLinkFiles();

// The longest folder below which every path of `below` fits.
std::size_t LongestFolderFor(const std::vector<std::wstring>& below);

// True when `folder` and every path of `below` appended to it fit.
bool FitsBelow(const std::wstring& folder, const std::vector<std::wstring>& below);
