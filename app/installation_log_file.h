#pragma once
// The /LOG file of a silent installation: what the installation page would show, in UTF-8.
#include <windows.h>

#include <string>

#include "holders/handles.h"

class InstallationLogFile {
public:
    // Creates or empties the file and writes the UTF-8 byte order mark. ERROR_SUCCESS, or the
    // error that kept the file from being written.
    DWORD Open(const std::wstring& path);

    bool is_open() const noexcept { return static_cast<bool>(m_file); }
    // Appends `text` at once, so that the lines so far stay when the process ends early.
    // Nothing happens when the file is not open.
    void Write(const std::wstring& text);

private:
    tal::unique_hfile m_file;
};
