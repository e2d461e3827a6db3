#pragma once
// The application object: the startup checks, the installation settings that the wizard edits
// and the installation run consumes.
#include <string>

#include "app/command_line.h"
#include "app/exit_codes.h"
#include "app/installation_log_file.h"
#include "framework/winapp.h"
#include "state/journal.h"
#include "support/named_mutex.h"

class CInstallApp : public CWinApp {
public:
    CInstallApp();

    // The startup sequence; always FALSE, so the process ends when it returns.
    BOOL InitInstance() override;
    // The process's exit code (an InstallerExitCode).
    int ExitInstance() override;

    // The previous-installation state; with a pointer, the installed title for states 2 and -1.
    int GetPreviousState(std::wstring* previousVersion = nullptr) const;

    // Names the run's temporary folder (not created), below the Windows folder's Temp when a
    // long TEMP leaves no room. False with the error text when no folder can be named.
    bool PrepareTempDir(std::wstring& errorText);

    int m_nPreviousState = 0;
    std::wstring m_strPreviousVersion;
    tal::named_mutex m_instanceLock;
    std::wstring m_strInstallDir;
    std::wstring m_strStartMenuDir;
    std::wstring m_strTempDir;
    bool m_bMenuShortcut = false;
    bool m_bDesktopShortcut = false;
    bool m_bAdvancedMode = false;
    // The journal of the run; before it, what the previous installation's log said.
    InstallJournal m_previousLog;
    bool m_bInstalled = false;
    // The switches the installer was started with; with /S, the log file they name.
    InstallerOptions m_options;
    InstallationLogFile m_silentLog;

protected:
    // The payload's archive test, started once the installer knows it may install, so that
    // it runs beside the rest of the startup; nothing here, the wizard's application adds it.
    virtual void StartArchiveTest() {}
    // Steps 11 and 12: the wizard, run modally; nothing here, the wizard's application adds it.
    virtual void RunWizard() {}
    // The installation without a window (/S), once the checks have passed; its exit code.
    virtual int RunSilent() { return EXIT_INSTALLATION_FAILED; }

private:
    bool WaitForRunningProduct();
    // Undoes the runs whose installer died before they ended and says so; false, after the
    // user gave up, when one could not be undone.
    bool UndoInterruptedRuns();
    bool DetectPreviousInstallation();
    // False, after telling the user, when no run could name a temporary folder.
    bool CheckTempDir();
    // `text` in a message box with `style`, or with /S as a line of the /LOG file.
    void Tell(const std::wstring& text, UINT style);
    // Ends the startup with `code` after telling `reason` as Tell does. Always FALSE.
    BOOL Refuse(int code, const std::wstring& reason, UINT style);
    // Asks `question` with Retry and Cancel; true for Retry. Cancel, and /S, which has nobody
    // to ask, end the startup with `code`.
    bool RetryOrRefuse(int code, const std::wstring& question);

    int m_nProcessExitCode = EXIT_INSTALLED;
};

CInstallApp& GetInstallApp();
