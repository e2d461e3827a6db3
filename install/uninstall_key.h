#pragma once
#include <string>

class InstallJournal;

// Registers the product in the system's list of installed programs, saving the key's old
// content in the journal first. True when the key was written.
bool WriteUninstallKey(InstallJournal& journal, const std::wstring& program, const std::wstring& uninstaller,
                       int language);
