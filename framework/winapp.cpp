#include "framework/winapp.h"

namespace {

CWinApp* application = nullptr;

} // namespace

CWinApp::CWinApp(const wchar_t* appName) : m_strAppName(appName ? appName : L"")
{
    application = this;
}

CWinApp::~CWinApp()
{
    if (application == this)
        application = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

BOOL CWinApp::PreTranslateMessage(MSG* msg)
{
    const HWND main = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    return main && ::IsWindow(main) && ::IsDialogMessageW(main, msg);
}

int CWinApp::Run()
{
    MSG msg{};
    for (;;) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1)
            break;
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    m_nExitCode = static_cast<int>(msg.wParam);
    return ExitInstance();
}

int CWinApp::ExitInstance()
{
    return m_nExitCode;
}

void CWinApp::EnableModeless(BOOL enable) noexcept
{
    m_nModelessDisabled += enable ? -1 : 1;
    if (m_nModelessDisabled < 0)
        m_nModelessDisabled = 0;
}

CWinApp* AfxGetApp() noexcept
{
    return application;
}

HWND AfxGetSafeOwner(HWND parent, HWND* topLevel)
{
    HWND window = parent ? parent : ::GetActiveWindow();
    if (!window && application && application->m_pMainWnd)
        window = application->m_pMainWnd->m_hWnd;
    if (window && !::IsWindow(window))
        window = nullptr;
    while (window && (::GetWindowLongW(window, GWL_STYLE) & WS_CHILD))
        window = ::GetParent(window);
    const HWND top = window;
    if (window)
        window = ::GetLastActivePopup(window);
    if (topLevel) {
        if (top && ::IsWindowEnabled(top) && top != window) {
            *topLevel = top;
            ::EnableWindow(top, FALSE);
        } else {
            *topLevel = nullptr;
        }
    }
    return window;
}
