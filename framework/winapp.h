#pragma once
// The smallest application framework the installer needs: an application object with its
// name and main window, started by the framework's entry point.
#include <windows.h>

#include <string>

class CWnd {
public:
    virtual ~CWnd() = default;
    HWND GetSafeHwnd() const noexcept { return m_hWnd; }

    HWND m_hWnd = nullptr;
};

class CWinApp {
public:
    // The one application object registers itself; the entry point finds it.
    explicit CWinApp(const wchar_t* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Called once by the entry point. TRUE runs the message loop; FALSE ends the process.
    virtual BOOL InitInstance();
    // Called for each message before it is dispatched; TRUE when it was handled here. The
    // default gives the main window's dialog keys (Tab, Enter, Escape) their meaning.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // The message loop; ends with ExitInstance, whose default answers the quit code.
    virtual int Run();
    virtual int ExitInstance();

    // Modeless windows of the application stop taking input while a modal box is up.
    void EnableModeless(BOOL enable) noexcept;
    bool IsModelessEnabled() const noexcept { return m_nModelessDisabled == 0; }

    std::wstring m_strAppName; // caption of the application's message boxes
    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    // The command line after the program's name, as the entry point received it; never null
    // once InitInstance runs.
    PWSTR m_lpCmdLine = nullptr;

private:
    int m_nModelessDisabled = 0;
    int m_nExitCode = 0;
};

CWinApp* AfxGetApp() noexcept;

// The window that should own a new modal window: the last active popup of the active (or
// main) window's top-level window. When `topLevel` is given and that top-level window is
// enabled and is not the owner, it is disabled and returned there for the caller to enable
// again; otherwise it is set to null.
HWND AfxGetSafeOwner(HWND parent, HWND* topLevel);
