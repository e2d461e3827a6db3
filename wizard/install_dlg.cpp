#include "wizard/install_dlg.h"

#include "app/install_app.h"
#include "app/localized_strings.h"
#include "app/startup_language.h"
#include "support/language.h"
#include "support/message_box.h"
#include "wizard/about_dlg.h"

namespace {

constexpr UINT about_command = 0x10;
constexpr int back_button = 3;

RECT child_rect(HWND child)
{
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace

CInstallDlg::CInstallDlg()
    : CDialog(102), m_pages{&m_pageStart, &m_pageMode, &m_pagePath, &m_pageShortcut, &m_pageInstall, &m_pageEnd},
      m_hIcon(static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128), IMAGE_ICON, 0, 0,
                                              LR_DEFAULTSIZE | LR_SHARED)))
{
}

CInstallDlg::~CInstallDlg()
{
    SetLanguageRefreshHook({});
}

std::wstring CInstallDlg::AboutText() const
{
    const std::wstring about = FormatLocalizedMessage(1003, {GetInstallerTitle(false)});
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
    ShowPage(0);
    if (GetInstallApp().m_nPreviousState == -1)
        ::EnableWindow(GetDlgItem(IDOK), FALSE);
    return FALSE; // ShowPage has set the focus
}

void CInstallDlg::PlacePages()
{
    RECT r{};
    ::GetClientRect(m_hWnd, &r);
    r.left = child_rect(GetDlgItem(1005)).right;
    r.bottom = child_rect(GetDlgItem(1002)).top;
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
    MoveControl(GetDlgItem(1005), 0, 0, 0, dy);
    MoveControl(GetDlgItem(1002), 0, dy, dx, 0);
    for (const int id : {back_button, IDOK, IDCANCEL})
        MoveControl(GetDlgItem(id), dx, dy, 0, 0);
}

void CInstallDlg::ShowPage(int target)
{
    const int previous = m_nCurrentPage;
    if (previous != -1) {
        if (!m_pages[previous]->UpdateData(TRUE))
            return;
        ::ShowWindow(m_pages[previous]->m_hWnd, SW_HIDE);
    }
    CInstallApp& app = GetInstallApp();
    if (!app.m_bAdvancedMode && target != previous) {
        const int step = target > previous ? 1 : -1;
        while (target == 2 || target == 3)
            target += step;
    }
    if (target != previous)
        m_pages[target]->UpdateData(FALSE);
    m_nCurrentPage = target;
    ::ShowWindow(m_pages[target]->m_hWnd, SW_SHOW);
    UpdateButtons();
    const bool back = (target > 0 && !app.m_bInstalled) || target > 4;
    const bool next = target < 5;
    ::EnableWindow(GetDlgItem(back_button), back);
    ::EnableWindow(GetDlgItem(IDOK), next);
    const int focus = next ? IDOK : IDCANCEL;
    ::SetFocus(GetDlgItem(focus));
    ::SendMessageW(m_hWnd, DM_SETDEFID, static_cast<WPARAM>(focus), 0);
}

void CInstallDlg::UpdateButtons()
{
    const bool installed = GetInstallApp().m_bInstalled;
    SetDlgItemText(IDOK, m_nCurrentPage == 4 && !installed ? LoadLocalizedString(1007)
                                                          : LoadLocalizedString(1006) + L"  >");
    SetDlgItemText(back_button, L"<  " + LoadLocalizedString(1005));
    SetDlgItemText(IDCANCEL, LoadLocalizedString(installed ? 1004 : 1002));
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
    CInstallApp& app = GetInstallApp();
    if (m_nCurrentPage == 4 && !app.m_bInstalled) {
        for (const int id : {back_button, IDOK, IDCANCEL})
            ::EnableWindow(GetDlgItem(id), FALSE);
        app.m_bInstalled = m_pageInstall.RunInstallation();
        ShowPage(4);
        ::EnableWindow(GetDlgItem(IDCANCEL), TRUE);
        return;
    }
    ShowPage(m_nCurrentPage + 1);
}

void CInstallDlg::OnCancel()
{
    const CInstallApp& app = GetInstallApp();
    if (app.m_bInstalled) {
        EndDialog(IDOK);
        return;
    }
    const int state = app.m_nPreviousState;
    if (state != -1 && !(state == 1 && m_nCurrentPage == 0)) {
        const std::wstring question = LoadLocalizedString(1110);
        if (tal::message_box(question.c_str(), nullptr, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
            return;
    }
    EndDialog(IDCANCEL);
}

BOOL CInstallDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == back_button && HIWORD(wParam) == BN_CLICKED) {
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
