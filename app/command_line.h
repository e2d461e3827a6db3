#pragma once
// The installer's switches, in the conventions administrators know from other installers:
// /S, /D=FOLDER (last, blanks allowed, no quotes), /NOSHORTCUTS, /NODESKTOP, /LANG=xx, /LOG=FILE.
#include <optional>
#include <string>

struct InstallerOptions {
    bool silent = false;
    std::wstring installFolder; // empty when /D= was not given
    bool noShortcuts = false;
    bool noDesktop = false;
    std::optional<int> language; // a language index
    std::wstring logFile;
    std::wstring badSwitch; // the first switch that was not understood, as written
};

// The switches of `line`, the command line after the program's name. Case does not matter.
InstallerOptions ParseInstallerCommandLine(const std::wstring& line);

// The language index of a /LANG code: the start page's eight languages by their two-letter
// ISO 639-1 codes (fr, en, de, es, pt, nl, el, tr).
std::optional<int> LanguageOfCode(const std::wstring& code);

// The switches as the message about a bad one lists them.
extern const wchar_t* const installer_switches;
