#include "install/dlg_install.h"

#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include "app/install_app.h"
#include "app/localized_strings.h"
#include "app/product.h"

namespace {

std::wstring quoted(const std::wstring& path)
{
    wchar_t buffer[MAX_PATH] = {};
    ::lstrcpynW(buffer, path.c_str(), MAX_PATH);
    ::PathQuoteSpacesW(buffer);
    return buffer;
}

} // namespace

BOOL CDlgInstall::OnInitDialog()
{
    CWizardPage::OnInitDialog();
    ::SendMessageW(m_progress.m_hWnd, PBM_SETRANGE32, 0, 100);
    ::ShowWindow(m_progress.m_hWnd, SW_HIDE);
    return TRUE;
}

void CDlgInstall::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, 1015, m_log);
    DDX_Control(pDX, 1014, m_progress);
    if (!pDX->m_bSaveAndValidate && !GetInstallApp().m_bInstalled)
        WriteSummary();
}

void CDlgInstall::WriteSummary()
{
    const CInstallApp& app = GetInstallApp();
    ::SetWindowTextW(m_log.m_hWnd, L"");
    AppendLog(FormatLocalizedMessage(1100, {GetProductName(false)}) + L"\r\n", false);
    AppendLog(LoadLocalizedString(1122), true);
    AppendLog(FormatLocalizedMessage(1123, {quoted(app.m_strInstallDir)}) + L"\r\n", false);
    if (app.m_bMenuShortcut)
        AppendLog(FormatLocalizedMessage(1124, {quoted(app.m_strStartMenuDir)}) + L"\r\n", false);
    if (app.m_bDesktopShortcut)
        AppendLog(LoadLocalizedString(1125) + L"\r\n", false);
    while (::SendMessageW(m_log.m_hWnd, EM_GETFIRSTVISIBLELINE, 0, 0) != 0)
        ::SendMessageW(m_log.m_hWnd, EM_LINESCROLL, 0, -1);
}

void CDlgInstall::AppendLog(const std::wstring& text, bool ruled)
{
    std::wstring line = text;
    if (ruled || text.empty()) {
        RECT client{};
        ::GetClientRect(m_log.m_hWnd, &client);
        const DWORD margins = static_cast<DWORD>(::SendMessageW(m_log.m_hWnd, EM_GETMARGINS, 0, 0));
        int width = client.right - client.left - 2 - LOWORD(margins) - HIWORD(margins);
        const HDC dc = ::GetDC(m_log.m_hWnd);
        const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
        if (!text.empty()) {
            line = L" " + text + L" ";
            SIZE size{};
            ::GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size);
            width -= size.cx;
        }
        SIZE dash{};
        ::GetTextExtentPoint32W(dc, L"-", 1, &dash);
        ::SelectObject(dc, old);
        ::ReleaseDC(m_log.m_hWnd, dc);
        const int count = dash.cx > 0 ? width / dash.cx : 0;
        if (text.empty())
            line = std::wstring(count > 0 ? count : 0, L'-');
        else
            line = std::wstring(count > 0 ? count / 2 : 0, L'-') + line + std::wstring(count > 0 ? (count + 1) / 2 : 0, L'-');
        line += L"\r\n";
    }
    ::SendMessageW(m_log.m_hWnd, EM_SETSEL, 0x7FFFFFFF, -1);
    ::SendMessageW(m_log.m_hWnd, EM_SCROLLCARET, 0, 0);
    ::SendMessageW(m_log.m_hWnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
    ::SendMessageW(m_log.m_hWnd, EM_LINESCROLL, 0, 1);
}

bool CDlgInstall::RunInstallation()
{
    // The run (extraction, shortcuts, registration, log) is not wired yet: nothing is installed.
    return false;
}

void CDlgInstall::RefreshTexts()
{
    SetMessage(1003, 1108, {LoadLocalizedString(1007)});
}

void CDlgInstall::Stretch(int dx, int dy)
{
    StretchControls(dx, dy, {1015, 1014, 1003}, {}, {1015}, {1014, 1003});
}
