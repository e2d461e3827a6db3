#include "install/dlg_install.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <functional>

#include "app/install_app.h"
#include "app/localized_strings.h"
#include "app/product.h"
#include "install/directx_setup.h"
#include "install/extraction_callback.h"
#include "install/temporary_files.h"
#include "install/uninstall_key.h"
#include "payload/extract.h"
#include "payload/payload_resource.h"
#include "support/language.h"
#include "support/shortcut.h"

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

void CDlgInstall::SetStatusPath(const std::wstring& text) const
{
    ::PathSetDlgItemPathW(m_hWnd, 1003, text.c_str());
}

void CDlgInstall::SetProgress(int percent) const
{
    ::SendMessageW(m_progress.m_hWnd, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void CDlgInstall::FailRun(const std::wstring& errorText)
{
    const std::wstring text = FormatLocalizedMessage(1121, {errorText});
    SetStatus(text);
    AppendLog(text + L"\r\n", false);
}

bool CDlgInstall::Extract()
{
    CInstallApp& app = GetInstallApp();
    const std::wstring examples = FormatLocalizedMessage(1018, {GetProductName(true)});
    TemporaryFiles temporary{app.m_strTempDir, {}};
    const TemporaryFilesScope scope(temporary);
    SetProgress(0);
    ::ShowWindow(m_progress.m_hWnd, SW_SHOW);
    tal::imemstream payload = payload::open_payload(tal::language_module());
    ExtractionCallback callback(*this, payload);
    bool extracted = false;
    try {
        extracted = payload::extract_archive(payload, {app.m_strInstallDir, examples, app.m_strTempDir},
                                             std::ref(callback));
    } catch (...) {
        // Whatever escaped the engine ends the run like a failed extraction.
        AppendLog(LoadLocalizedString(1012) + L"\r\n", false);
        FailRun(L"7");
        extracted = false;
    }
    if (!extracted) {
        app.m_previousLog.Rollback();
        return false;
    }
    try {
        for (const std::wstring* path : {&m_strProgramPath, &m_strUninstallerPath}) {
            const DWORD attributes = ::GetFileAttributesW(path->c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES)
                ::SetFileAttributesW(path->c_str(), attributes | FILE_ATTRIBUTE_READONLY);
        }
        CreateShortcuts();
        UpdateDirectX();
        SetStatus(LoadLocalizedString(1118));
        AppendLog(LoadLocalizedString(1118), false);
        const bool keyWritten = WriteUninstallKey(app.m_previousLog, m_strProgramPath, m_strUninstallerPath,
                                                  tal::get_language());
        RegisterProgram(keyWritten);
        WriteUninstallLog();
    } catch (...) {
        // A failure that escapes a later step leaves no half-installed machine either.
        AppendLog(LoadLocalizedString(1012) + L"\r\n", false);
        FailRun(L"7");
        app.m_previousLog.Rollback();
        return false;
    }
    SetMessage(1003, 1106, {LoadLocalizedString(1006)});
    return true;
}

bool CDlgInstall::RunInstallation()
{
    m_strProgramPath.clear();
    m_strUninstallerPath.clear();
    AppendLog(L"", true);
    const CWaitCursor wait;
    SetStatus(LoadLocalizedString(1114));
    std::wstring error;
    if (!GetInstallApp().PrepareTempDir(error)) {
        FailRun(error);
        return false;
    }
    return Extract();
}

void CDlgInstall::CreateShortcuts()
{
    CInstallApp& app = GetInstallApp();
    if (!app.m_bMenuShortcut && !app.m_bDesktopShortcut)
        return;
    SetStatus(LoadLocalizedString(1117));
    AppendLog(LoadLocalizedString(1117), false);
    InstallJournal& journal = app.m_previousLog;
    bool good = true;
    const auto make = [&](int which, const std::wstring& folder, const std::wstring& target, const std::wstring& name) {
        journal.BeginShortcut(which, folder);
        std::wstring link;
        const bool made = tal::CreateShortcut(target, folder, name.c_str(), &link);
        journal.CloseEntry(made, made ? link.c_str() : nullptr);
        good = good && made;
    };
    if (app.m_bMenuShortcut) {
        make(0, app.m_strStartMenuDir, m_strProgramPath, GetProductName(false));
        make(1, app.m_strStartMenuDir, m_strUninstallerPath, FormatLocalizedMessage(1013, {GetProductName(true)}));
    }
    if (app.m_bDesktopShortcut) {
        wchar_t desktop[MAX_PATH] = {};
        if (!::SHGetSpecialFolderPathW(m_hWnd, desktop, CSIDL_COMMON_DESKTOPDIRECTORY, FALSE))
            ::SHGetSpecialFolderPathW(m_hWnd, desktop, CSIDL_DESKTOPDIRECTORY, FALSE);
        make(2, desktop, m_strProgramPath, GetProductName(false));
    }
    AppendLog(LoadLocalizedString(good ? 1011 : 1012) + L"\r\n", false);
}

void CDlgInstall::UpdateDirectX()
{
    CInstallApp& app = GetInstallApp();
    DirectXSetup setup(app.m_strTempDir);
    if (!setup.usable())
        return;
    if (app.m_nPreviousState != 1) {
        for (const JournalEntry& entry : app.m_previousLog.previous_entries) {
            if (entry.kind == journal_kind::directx_update && entry.succeeded)
                return; // done by the previous installation
        }
    }
    InstallJournal& journal = app.m_previousLog;
    journal.BeginDirectXUpdate();
    const std::wstring text = LoadLocalizedString(1131);
    SetStatus(text);
    AppendLog(text, false);
    const bool updated = setup.Run(m_hWnd);
    journal.CloseEntry(updated, text.c_str());
    AppendLog(LoadLocalizedString(updated ? 1011 : 1012) + L"\r\n", false);
}

void CDlgInstall::RegisterProgram(bool keyWritten)
{
    CInstallApp& app = GetInstallApp();
    InstallJournal& journal = app.m_previousLog;
    journal.BeginRegistration();
    wchar_t command[MAX_PATH + 32] = {};
    ::lstrcpynW(command, m_strProgramPath.c_str(), MAX_PATH);
    ::PathQuoteSpacesW(command);
    ::lstrcatW(command, L" /Register /Background");
    wchar_t folder[MAX_PATH] = {};
    ::lstrcpynW(folder, m_strProgramPath.c_str(), MAX_PATH);
    ::PathRemoveFileSpecW(folder);

    // The product refuses to start while an installer holds the lock.
    app.m_instanceLock.release();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNOACTIVATE;
    PROCESS_INFORMATION info{};
    bool good = false;
    if (::CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, HIGH_PRIORITY_CLASS, nullptr,
                         folder[0] ? folder : nullptr, &startup, &info)) {
        const tal::unique_handle process(info.hProcess), thread(info.hThread);
        ::WaitForSingleObject(process.get(), INFINITE);
        DWORD code = 0;
        if (!::GetExitCodeProcess(process.get(), &code))
            code = 0;
        const bool registered = code == 0xFFFFFFF6u; // -10
        good = keyWritten && registered;
        journal.CloseEntry(registered);
        if (registered) {
            const CWaitCursor wait;
            ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
        }
    } else {
        journal.CloseEntry(false);
    }
    app.m_instanceLock.try_acquire();
    AppendLog(LoadLocalizedString(good ? 1011 : 1012) + L"\r\n", false);
}

void CDlgInstall::WriteUninstallLog()
{
    CInstallApp& app = GetInstallApp();
    SetStatus(LoadLocalizedString(1119));
    AppendLog(LoadLocalizedString(1119), false);
    wchar_t log[MAX_PATH] = {};
    bool good = false;
    if (m_strUninstallerPath.size() < MAX_PATH) {
        ::lstrcpynW(log, m_strUninstallerPath.c_str(), MAX_PATH);
        if (::PathRemoveFileSpecW(log) && ::PathAppendW(log, L"Uninstall.ulog"))
            good = app.m_previousLog.WriteLog(log, app.m_strInstallDir, app.m_strStartMenuDir);
    }
    AppendLog(LoadLocalizedString(good ? 1011 : 1012) + L"\r\n", false);
}

void CDlgInstall::RefreshTexts()
{
    SetMessage(1003, 1108, {LoadLocalizedString(1007)});
}

void CDlgInstall::Stretch(int dx, int dy)
{
    StretchControls(dx, dy, {1015, 1014, 1003}, {}, {1015}, {1014, 1003});
}
