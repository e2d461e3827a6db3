#pragma once
// What an installation run works with: the user's choices, the journal that records every
// change, and what the run has learnt on its way.
#include <windows.h>

#include <functional>
#include <string>
#include <system_error>
#include <utility>

#include "install/temporary_files.h"

class InstallJournal;

// Names the run's temporary folder (not created): true with its path, or false with the error
// text the run shows.
using TemporaryFolderNamer = std::function<bool(std::wstring& folder, std::wstring& errorText)>;

struct InstallationSettings {
    std::wstring installFolder;
    std::wstring startMenuFolder; // a full folder path
    bool menuShortcut = false;
    bool desktopShortcut = false;
    int previousState = 0; // a PreviousState
    TemporaryFolderNamer nameTemporaryFolder; // required
    // The window that owns what the run opens (the DirectX setup's boxes), or null.
    HWND owner = nullptr;
};

struct RunState {
    RunState(InstallationSettings s, InstallJournal& j) : settings(std::move(s)), journal(j) {}

    InstallationSettings settings;
    InstallJournal& journal;
    TemporaryFiles temporary;
    // Where the payload's main program and uninstaller went; empty until extracted.
    std::wstring programPath;
    std::wstring uninstallerPath;
    // The engine's reason when the extraction failed; empty otherwise.
    std::error_code failure;
};
