#pragma once
// What is installed already: the installed product, its version against ours, and where its
// uninstall log is.
#include <cstdint>
#include <optional>
#include <string>

class InstallJournal;

// What the installer finds installed, as `CInstallApp::m_nPreviousState` holds it.
enum PreviousState : int {
    PREVIOUS_NONE = 0,          // not installed
    PREVIOUS_SAME_VERSION = 1,  // reinstallation
    PREVIOUS_OLDER_VERSION = 2, // update
    PREVIOUS_NEWER_VERSION = -1 // refused
};

struct installed_product {
    bool found = false;
    std::wstring executable; // the installed main program, possibly empty
};

// From the product's Uninstall key: found when the key exists; the program is its
// DisplayIcon value without the ",0" icon index.
installed_product FindInstalledProduct(const std::wstring& key_name);

// 0 not installed, 1 the same version or none to tell, 2 older (update), -1 more recent.
int CompareInstalledVersion(std::uint64_t installed, std::uint64_t ours);

// "Uninstall.ulog" beside the registered uninstaller, else beside the installed program;
// empty when neither exists.
std::wstring FindPreviousLog(const std::wstring& key_name, const std::wstring& executable);

struct previous_installation {
    int state = PREVIOUS_NONE;
    std::wstring title;       // for states 2 and -1
    bool version_unreadable = false; // the installed program's version record could not be read
    std::wstring executable;         // the installed program
    std::uint32_t version_error = 0; // then, the failed read's error code
};

// Detection at startup: the state, and for states 1 and 2 the previous log read into the
// journal. The journal's folders are left empty when there is no log.
previous_installation DetectPreviousInstallation(const std::wstring& key_name, std::uint64_t ours,
                                                 InstallJournal& journal);
