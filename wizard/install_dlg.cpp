#include "wizard/install_dlg.h"

#include "app/install_app.h"
#include "app/localized_strings.h"
#include "app/message_keys.h"
#include "app/previous_installation.h"
#include "app/startup_language.h"
#include "holders/scope_guard.h"
#include "resources/resource_ids.h"
#include "support/language.h"
#include "support/message_box.h"
#include "support/message_pump.h"
#include "wizard/about_dlg.h"

namespace {

RECT child_rect(HWND child)
{
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace

CInstallDlg::CInstallDlg(PayloadCheck& payload)
    : CDialog(IDD_WIZARD), m_pageInstall(payload), m_pages{&m_pageStart, &m_pageMode, &m_pagePath, &m_pageShortcut, &m_pageInstall, &m_pageEnd},
      m_hIcon(static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPLICATION_ICON),
                                              IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED)))
{
}

CInstallDlg::~CInstallDlg()
{
    SetLanguageRefreshHook({});
}

std::wstring CInstallDlg::AboutText() const
{
    const std::wstring about = FormatLocalizedMessage(MSG_ABOUT, {GetInstallerTitle(false)});
    return tal::current_language_is_left_to_right() ? L"&" + about + L"..." : L"..." + about;
}

BOOL CInstallDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::SetWindowTextW(m_hWnd, GetInstallerTitle(true).c_str());
    const std::wstring about = AboutText();
    const HMENU menu = ::GetSystemMenu(m_hWnd, FALSE);
    if (menu && !about.empty()) {
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(menu, MF_STRING, about_command, about.c_str());
    }
    if (menu) {
        ::DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
        ::DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
    }
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));

    for (CWizardPage* page : m_pages)
        page->Create(this);
    PlacePages();
    SetLanguageRefreshHook([this] { RefreshTexts(); });
    RefreshTexts();
    ShowPage(PAGE_START);
    if (GetInstallApp().m_nPreviousState == PREVIOUS_NEWER_VERSION)
        ::EnableWindow(GetDlgItem(IDOK), FALSE);
    return FALSE; // ShowPage has set the focus
}

void CInstallDlg::PlacePages()
{
    RECT r{};
    ::GetClientRect(m_hWnd, &r);
    r.left = child_rect(GetDlgItem(IDC_SIDE_BACKGROUND)).right;
    r.bottom = child_rect(GetDlgItem(IDC_SEPARATOR)).top;
    RECT u = r;
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW;
    for (CWizardPage* page : m_pages) {
        ::SetWindowPos(page->m_hWnd, nullptr, u.left, u.top, 0, 0, flags | SWP_NOSIZE);
        const RECT pr = child_rect(page->m_hWnd);
        ::UnionRect(&u, &u, &pr);
    }
    const int dx = (u.right - u.left) - (r.right - r.left);
    const int dy = (u.bottom - u.top) - (r.bottom - r.top);
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left + dx, window.bottom - window.top + dy,
                   flags | SWP_NOMOVE);
    for (CWizardPage* page : m_pages) {
        const RECT pr = child_rect(page->m_hWnd);
        const int w = pr.right - pr.left, h = pr.bottom - pr.top;
        ::SetWindowPos(page->m_hWnd, nullptr, u.left, u.top, u.right - u.left, u.bottom - u.top, flags);
        page->Stretch((u.right - u.left) - w, (u.bottom - u.top) - h);
    }
    MoveControl(GetDlgItem(IDC_SIDE_BACKGROUND), 0, 0, 0, dy);
    MoveControl(GetDlgItem(IDC_SEPARATOR), 0, dy, dx, 0);
    for (const int id : {IDC_BACK, IDOK, IDCANCEL})
        MoveControl(GetDlgItem(id), dx, dy, 0, 0);
}

void CInstallDlg::ShowPage(int target)
{
    const int previous = m_nCurrentPage;
    if (previous != PAGE_NONE) {
        if (!m_pages[previous]->UpdateData(TRUE))
            return;
        ::ShowWindow(m_pages[previous]->m_hWnd, SW_HIDE);
    }
    CInstallApp& app = GetInstallApp();
    if (!app.m_bAdvancedMode && target != previous) {
        const int step = target > previous ? 1 : -1;
        while (target == PAGE_PATH || target == PAGE_SHORTCUT)
            target += step;
    }
    if (target != previous)
        m_pages[target]->UpdateData(FALSE);
    m_nCurrentPage = target;
    ::ShowWindow(m_pages[target]->m_hWnd, SW_SHOW);
    UpdateButtons();
    const bool back = (target > PAGE_START && !app.m_bInstalled) || target > PAGE_INSTALL;
    const bool next = target < PAGE_END;
    ::EnableWindow(GetDlgItem(IDC_BACK), back);
    ::EnableWindow(GetDlgItem(IDOK), next);
    const int focus = next ? IDOK : IDCANCEL;
    ::SetFocus(GetDlgItem(focus));
    ::SendMessageW(m_hWnd, DM_SETDEFID, static_cast<WPARAM>(focus), 0);
}

void CInstallDlg::UpdateButtons()
{
    const bool installed = GetInstallApp().m_bInstalled;
    SetDlgItemText(IDOK, m_nCurrentPage == PAGE_INSTALL && !installed ? LoadLocalizedString(MSG_INSTALL)
                                                                     : LoadLocalizedString(MSG_NEXT) + L"  >");
    SetDlgItemText(IDC_BACK, L"<  " + LoadLocalizedString(MSG_BACK));
    SetDlgItemText(IDCANCEL, LoadLocalizedString(installed ? MSG_EXIT : MSG_CANCEL));
}

void CInstallDlg::RefreshTexts()
{
    ::SetWindowTextW(m_hWnd, GetInstallerTitle(true).c_str());
    if (const HMENU menu = ::GetSystemMenu(m_hWnd, FALSE))
        ::ModifyMenuW(menu, about_command, MF_BYCOMMAND | MF_STRING, about_command, AboutText().c_str());
    UpdateButtons();
    for (CWizardPage* page : m_pages)
        page->RefreshTexts();
}

void CInstallDlg::OnOK()
{
    // Enter and a click that was queued before the buttons were disabled land here too.
    if (m_bRunning)
        return;
    if (m_nCurrentPage == PAGE_INSTALL && !GetInstallApp().m_bInstalled) {
        RunInstallation();
        return;
    }
    ShowPage(m_nCurrentPage + 1);
}

void CInstallDlg::RunInstallation()
{
    CInstallApp& app = GetInstallApp();
    for (const int id : {IDC_BACK, IDOK, IDCANCEL})
        ::EnableWindow(GetDlgItem(id), FALSE);
    {
        m_bRunning = true;
        const tal::scope_guard running([this] { m_bRunning = false; });
        app.m_bInstalled = m_pageInstall.RunInstallation();
        // Keys and commands that arrived during the last steps, which do not pump, are handled
        // while the run still counts as in progress, so that none of them closes the wizard.
        tal::PumpMessages();
    }
    ShowPage(PAGE_INSTALL);
    ::EnableWindow(GetDlgItem(IDCANCEL), TRUE);
}

void CInstallDlg::OnCancel()
{
    // Escape, the title bar's Close and Alt+F4 all end here: none leaves a run in progress.
    if (m_bRunning)
        return;
    const CInstallApp& app = GetInstallApp();
    if (app.m_bInstalled) {
        EndDialog(IDOK);
        return;
    }
    const int state = app.m_nPreviousState;
    if (state != PREVIOUS_NEWER_VERSION && !(state == PREVIOUS_SAME_VERSION && m_nCurrentPage == PAGE_START)) {
        const std::wstring question = LoadLocalizedString(MSG_CONFIRM_EXIT);
        if (tal::message_box(question.c_str(), nullptr, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
            return;
    }
    EndDialog(IDCANCEL);
}

BOOL CInstallDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_BACK && HIWORD(wParam) == BN_CLICKED) {
        ShowPage(m_nCurrentPage - 1);
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

BOOL CInstallDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == about_command) {
            CAboutDlg about(this);
            about.DoModal();
            result = 0;
            return TRUE;
        }
        return FALSE;
    case WM_INITMENUPOPUP:
        if (HIWORD(lParam)) {
            // The system menu: Minimize greyed while minimised, Restore while not.
            const HMENU menu = reinterpret_cast<HMENU>(wParam);
            const bool minimised = ::IsIconic(m_hWnd);
            ::EnableMenuItem(menu, SC_MINIMIZE, MF_BYCOMMAND | (minimised ? MF_GRAYED : MF_ENABLED));
            ::EnableMenuItem(menu, SC_RESTORE, MF_BYCOMMAND | (minimised ? MF_ENABLED : MF_GRAYED));
        }
        return FALSE;
    case WM_PAINT: {
        if (!::IsIconic(m_hWnd))
            return FALSE;
        PAINTSTRUCT paint;
        const HDC dc = ::BeginPaint(m_hWnd, &paint);
        ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RECT client{};
        ::GetClientRect(m_hWnd, &client);
        const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        ::DrawIcon(dc, x, y, m_hIcon);
        ::EndPaint(m_hWnd, &paint);
        result = 0;
        return TRUE;
    }
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(m_hIcon);
        return TRUE;
    case WM_GETMINMAXINFO: {
        // Maximising cannot change the window.
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        if (::GetWindowPlacement(m_hWnd, &placement)) {
            const RECT& normal = placement.rcNormalPosition;
            info->ptMaxSize = {normal.right - normal.left, normal.bottom - normal.top};
            info->ptMaxPosition = {normal.left, normal.top};
        }
        result = 0;
        return TRUE;
    }
    default: return FALSE;
    }
}
