#include "install/dlg_install.h"

#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include "app/install_app.h"
#include "app/localized_strings.h"
#include "app/message_keys.h"
#include "app/product.h"
#include "holders/scope_guard.h"
#include "install/application_settings.h"
#include "install/installation_run.h"
#include "resources/resource_ids.h"
#include "support/path.h"
#include "support/text_width.h"

namespace {

// The caret at the end of an edit control.
constexpr WPARAM end_of_text = 0x7FFFFFFF;

// Each insertion into the log control costs milliseconds, about as much as copying a small
// file: lines that come faster than the screen refreshes go in together. Where an insertion
// costs more, as it does once the log is long on an edit control that measures every line
// again, the lines wait long enough that the log takes at most a ninth of the run's time.
constexpr std::chrono::milliseconds screen_refresh{16};
constexpr int log_time_share = 8; // waiting time per unit of insertion time

} // namespace

CDlgInstall::CDlgInstall(PayloadCheck& payload) : CWizardPage(IDD_PAGE_INSTALL), m_payload(payload) {}

BOOL CDlgInstall::OnInitDialog()
{
    CWizardPage::OnInitDialog();
    ::SendMessageW(m_progress.m_hWnd, PBM_SETRANGE32, 0, 100);
    ::ShowWindow(m_progress.m_hWnd, SW_HIDE);
    // The pages are made when the wizard opens: the archive test starts now at the latest, off
    // the run's path.
    m_payload.Start(THREAD_PRIORITY_BELOW_NORMAL);
    return TRUE;
}

void CDlgInstall::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_LOG, m_log);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
    if (!pDX->m_bSaveAndValidate && !GetInstallApp().m_bInstalled)
        WriteSummary();
}

void CDlgInstall::WriteSummary()
{
    ::SetWindowTextW(m_log.m_hWnd, L"");
    AppendSummary(*this, ApplicationSettings(GetInstallApp(), m_hWnd));
    FlushLog();
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
        const tal::window_dc dc(m_log.m_hWnd, reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
        if (!text.empty()) {
            line = L" " + text + L" ";
            width -= dc.text_width(line);
        }
        const int dash = dc.text_width(L"-");
        const int count = dash > 0 ? width / dash : 0;
        if (text.empty())
            line = std::wstring(count > 0 ? count : 0, L'-');
        else
            line = std::wstring(count > 0 ? count / 2 : 0, L'-') + line + std::wstring(count > 0 ? (count + 1) / 2 : 0, L'-');
        line += L"\r\n";
    }
    m_pendingLog += line;
    ++m_pendingLines;
    if (LogFlushDue())
        FlushLog();
}

bool CDlgInstall::LogFlushDue() const
{
    const auto waited = std::chrono::steady_clock::now() - m_lastLogFlush;
    return waited >= screen_refresh && waited >= log_time_share * m_lastLogFlushCost;
}

void CDlgInstall::FlushLog()
{
    const auto start = std::chrono::steady_clock::now();
    m_lastLogFlush = start;
    if (m_pendingLog.empty())
        return;
    ::SendMessageW(m_log.m_hWnd, EM_SETSEL, end_of_text, -1);
    ::SendMessageW(m_log.m_hWnd, EM_SCROLLCARET, 0, 0);
    ::SendMessageW(m_log.m_hWnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(m_pendingLog.c_str()));
    ::SendMessageW(m_log.m_hWnd, EM_LINESCROLL, 0, m_pendingLines);
    m_pendingLog.clear();
    m_pendingLines = 0;
    m_lastLogFlush = std::chrono::steady_clock::now();
    m_lastLogFlushCost = m_lastLogFlush - start;
}

void CDlgInstall::SetStatus(const std::wstring& text)
{
    FlushLog();
    ShowProgress();
    SetDlgItemText(IDC_STATUS, text);
}

void CDlgInstall::SetStatusPath(const std::wstring& text)
{
    // Compacted with an ellipsis to the status line's width.
    ::PathSetDlgItemPathW(m_hWnd, IDC_STATUS, text.c_str());
}

void CDlgInstall::StartProgress()
{
    SetProgress(0);
    ::ShowWindow(m_progress.m_hWnd, SW_SHOW);
}

void CDlgInstall::SetProgress(int percent)
{
    // While a large file is copied, its line does not wait for the next one.
    if (!m_pendingLog.empty() && LogFlushDue())
        FlushLog();
    // A bar that paints at once on every move would cost as much as the log: it moves at most
    // once a screen refresh, and always to its start and its end.
    m_pendingProgress = percent;
    if (percent <= 0 || percent >= 100 || std::chrono::steady_clock::now() - m_lastProgressShown >= screen_refresh)
        ShowProgress();
}

void CDlgInstall::ShowProgress()
{
    if (m_pendingProgress < 0)
        return;
    ::SendMessageW(m_progress.m_hWnd, PBM_SETPOS, static_cast<WPARAM>(m_pendingProgress), 0);
    m_pendingProgress = -1;
    m_lastProgressShown = std::chrono::steady_clock::now();
}

bool CDlgInstall::RunInstallation()
{
    CInstallApp& app = GetInstallApp();
    const CWaitCursor wait;
    InstallationRun run(ApplicationSettings(app, m_hWnd), app.m_previousLog, app.m_instanceLock, *this);
    const tal::scope_guard flush([this] {
        FlushLog();
        ShowProgress();
    });
    return run.Run(m_payload);
}

void CDlgInstall::RefreshTexts()
{
    SetMessage(IDC_STATUS, MSG_CLICK_TO_INSTALL, {LoadLocalizedString(MSG_INSTALL)});
}

void CDlgInstall::Stretch(int dx, int dy)
{
    StretchControls(dx, dy, {IDC_LOG, IDC_PROGRESS, IDC_STATUS}, {}, {IDC_LOG}, {IDC_PROGRESS, IDC_STATUS});
}
