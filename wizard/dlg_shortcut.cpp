#include "wizard/dlg_shortcut.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "app/install_app.h"
#include "app/localized_strings.h"
#include "app/product.h"
#include "support/folder_browser.h"

BOOL CDlgShortcut::OnInitDialog()
{
    wchar_t root[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, root, CSIDL_COMMON_STARTMENU, FALSE))
        ::SHGetSpecialFolderPathW(nullptr, root, CSIDL_STARTMENU, FALSE);
    m_strRoot = root;
    CWizardPage::OnInitDialog();
    ApplyCheckRule();
    return TRUE;
}

void CDlgShortcut::ApplyCheckRule() const
{
    const bool ticked = ::SendMessageW(GetDlgItem(1011), BM_GETCHECK, 0, 0) == BST_CHECKED;
    ::EnableWindow(GetDlgItem(1007), ticked);
    ::EnableWindow(GetDlgItem(1006), ticked);
}

void CDlgShortcut::DoDataExchange(CDataExchange* pDX)
{
    CInstallApp& app = GetInstallApp();
    if (!pDX->m_bSaveAndValidate) {
        m_nDesktop = app.m_bDesktopShortcut;
        m_nStartMenu = app.m_bMenuShortcut;
        if (!tal::relative_folder(m_strRoot, app.m_strStartMenuDir, m_strRelative))
            m_strRelative = app.m_strStartMenuDir;
    }
    DDX_Check(pDX, 1010, m_nDesktop);
    DDX_Check(pDX, 1011, m_nStartMenu);
    DDX_Text(pDX, 1007, m_strRelative);
    DDV_MaxChars(pDX, m_strRelative, 260);
    if (pDX->m_bSaveAndValidate) {
        app.m_bDesktopShortcut = m_nDesktop != 0;
        app.m_bMenuShortcut = m_nStartMenu != 0;
        wchar_t folder[MAX_PATH] = {};
        ::PathCombineW(folder, m_strRoot.c_str(), m_strRelative.c_str());
        app.m_strStartMenuDir = folder;
    }
}

BOOL CDlgShortcut::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == 1011) {
        ApplyCheckRule();
        return TRUE;
    }
    if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == 1006) {
        OnBrowse();
        return TRUE;
    }
    return CWizardPage::OnCommand(wParam, lParam);
}

void CDlgShortcut::OnBrowse()
{
    if (!UpdateData(TRUE))
        return;
    CInstallApp& app = GetInstallApp();
    const std::wstring title = LoadLocalizedString(1112);
    std::wstring initial = app.m_strStartMenuDir;
    const std::wstring folder = tal::browse_for_programs_folder(initial, GetProductKeyName(), title.c_str());
    if (!folder.empty()) {
        app.m_strStartMenuDir = folder;
        UpdateData(FALSE);
    }
}

void CDlgShortcut::RefreshTexts()
{
    SetMessage(1012, 1009);
    SetMessage(1011, 1112);
    SetMessage(1006, 1008);
    SetMessage(1010, 1113);
    SetMessage(1003, 1106, {LoadLocalizedString(1006)});
}

void CDlgShortcut::Stretch(int dx, int dy)
{
    StretchControls(dx, dy, {1012, 1011, 1007, 1010, 1003}, {1006}, {}, {1003});
}
