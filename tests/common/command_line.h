#pragma once
// Programs started the way the system starts a registered command, and links made for tests.
#include <windows.h>

#include <string>

namespace test {

// Runs `command_line` as the system runs an Uninstall key's command: CreateProcess with no
// program name, so the system splits the line itself. `std_error`, when given, must be
// inheritable. True with the exit code when the program ended within `ms`.
bool run_command_line(const std::wstring& command_line, DWORD ms, DWORD& exit_code, HANDLE std_error = nullptr);

// Makes `link` a symbolic link to the folder `target`: with CreateSymbolicLinkW on Windows,
// with the host's "ln -s" under Wine (whose CreateSymbolicLinkW makes nothing). True when
// the system then shows `link` as a reparse point.
bool make_folder_link(const std::wstring& link, const std::wstring& target);

// Removes a link made by make_folder_link, never what it points to.
void remove_folder_link(const std::wstring& link);

} // namespace test
