#pragma once
// The rights of what the installation leaves where other accounts could change it: a new
// installation folder outside Program Files, and the uninstall log that the elevated
// uninstaller later acts on.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

class InstallJournal;

// The system's Program Files folders (the 32-bit one and, on 64-bit Windows, the native one).
std::vector<std::wstring> ProgramFilesFolders();

// True when `folder` is one of `program_folders` or lies below one.
bool IsBelowProgramFiles(const std::wstring& folder, const std::vector<std::wstring>& program_folders);

// Gives `folder` what Program Files gives its folders (SYSTEM and Administrators full
// control, Users read and execute, nothing inherited from above) and lets what it holds
// inherit that. Refuses a folder that is a link. ERROR_SUCCESS or the error.
DWORD SecureInstallFolder(const std::wstring& folder);

// Called right after the journal recorded a file, with the count of entries before it: when
// that file made the run create the installation folder and the folder lies outside Program
// Files, secures it while it is still empty. ERROR_SUCCESS also when there was nothing to do.
DWORD SecureNewInstallFolder(const InstallJournal& journal, std::size_t entries_before, const std::wstring& folder);

// Users may read the uninstall log and not change it: SYSTEM and Administrators full control,
// Users read, nothing inherited. Refuses a link. ERROR_SUCCESS or the error.
DWORD SecureUninstallLog(const std::wstring& path);
