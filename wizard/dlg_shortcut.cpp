#include "wizard/dlg_shortcut.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "app/install_app.h"
#include "app/localized_strings.h"
#include "app/message_keys.h"
#include "app/product.h"
#include "support/folder_browser.h"
#include "support/path.h"
#include "wizard/installation_paths.h"

namespace {

// The root joined with the relative text as the shell joins them; a join too long for the
// shell's buffer is kept whole, for the length check to refuse it.
std::wstring combine_folder(const std::wstring& root, const std::wstring& relative)
{
    wchar_t folder[MAX_PATH] = {};
    if (::PathCombineW(folder, root.c_str(), relative.c_str()))
        return folder;
    return tal::append_path(root, relative);
}

} // namespace

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
    const bool ticked = ::SendMessageW(GetDlgItem(IDC_MENU_SHORTCUT), BM_GETCHECK, 0, 0) == BST_CHECKED;
    ::EnableWindow(GetDlgItem(IDC_FOLDER), ticked);
    ::EnableWindow(GetDlgItem(IDC_BROWSE), ticked);
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
    DDX_Check(pDX, IDC_DESKTOP_SHORTCUT, m_nDesktop);
    DDX_Check(pDX, IDC_MENU_SHORTCUT, m_nStartMenu);
    DDX_Text(pDX, IDC_FOLDER, m_strRelative);
    LimitFolderText(pDX, m_strRelative);
    if (pDX->m_bSaveAndValidate) {
        const std::wstring folder = combine_folder(m_strRoot, m_strRelative);
        // The links must fit the folder; the browser may start from any folder, though.
        if (m_nStartMenu != 0 && !m_bBrowsing) {
            const std::vector<std::wstring> links = StartMenuLinkFiles();
            if (!FitsBelow(folder, links))
                pDX->Fail(FormatLocalizedMessage(MSG_MENU_FOLDER_TOO_LONG, {std::to_wstring(LongestFolderFor(links))}));
        }
        app.m_bDesktopShortcut = m_nDesktop != 0;
        app.m_bMenuShortcut = m_nStartMenu != 0;
        app.m_strStartMenuDir = folder;
    }
}

BOOL CDlgShortcut::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_MENU_SHORTCUT) {
        ApplyCheckRule();
        return TRUE;
    }
    if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_BROWSE) {
        OnBrowse();
        return TRUE;
    }
    return CWizardPage::OnCommand(wParam, lParam);
}

void CDlgShortcut::OnBrowse()
{
    m_bBrowsing = true;
    const bool saved = UpdateData(TRUE);
    m_bBrowsing = false;
    if (!saved)
        return;
    CInstallApp& app = GetInstallApp();
    const std::wstring title = LoadLocalizedString(MSG_MENU_SHORTCUT);
    std::wstring initial = app.m_strStartMenuDir;
    const std::wstring folder = tal::browse_for_programs_folder(initial, GetProductKeyName(), title.c_str());
    if (!folder.empty()) {
        app.m_strStartMenuDir = folder;
        UpdateData(FALSE);
    }
}

void CDlgShortcut::RefreshTexts()
{
    SetMessage(IDC_MENU_GROUP, MSG_START_MENU);
    SetMessage(IDC_MENU_SHORTCUT, MSG_MENU_SHORTCUT);
    SetMessage(IDC_BROWSE, MSG_BROWSE);
    SetMessage(IDC_DESKTOP_SHORTCUT, MSG_DESKTOP_SHORTCUT);
    SetMessage(IDC_STATUS, MSG_CLICK_TO_CONTINUE, {LoadLocalizedString(MSG_NEXT)});
}

void CDlgShortcut::Stretch(int dx, int dy)
{
    StretchControls(dx, dy, {IDC_MENU_GROUP, IDC_MENU_SHORTCUT, IDC_FOLDER, IDC_DESKTOP_SHORTCUT, IDC_STATUS},
                    {IDC_BROWSE}, {}, {IDC_STATUS});
}
