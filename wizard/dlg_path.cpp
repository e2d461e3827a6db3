#include "wizard/dlg_path.h"

#include "app/install_app.h"
#include "app/localized_strings.h"
#include "app/message_keys.h"
#include "app/previous_installation.h"
#include "app/product.h"
#include "resources/resource_ids.h"
#include "support/folder_browser.h"
#include "support/path.h"
#include "wizard/installation_paths.h"

BOOL CDlgPath::OnInitDialog()
{
    CWizardPage::OnInitDialog();
    // A reinstallation or an update keeps the previous installation's folder.
    if (GetInstallApp().m_nPreviousState != PREVIOUS_NONE) {
        ::EnableWindow(GetDlgItem(IDC_FOLDER_LABEL), FALSE);
        ::EnableWindow(GetDlgItem(IDC_BROWSE), FALSE);
        ::SendMessageW(GetDlgItem(IDC_FOLDER), EM_SETREADONLY, TRUE, 0);
    }
    return TRUE;
}

void CDlgPath::DoDataExchange(CDataExchange* pDX)
{
    CInstallApp& app = GetInstallApp();
    if (!pDX->m_bSaveAndValidate)
        m_strFolder = app.m_strInstallDir;
    DDX_Text(pDX, IDC_FOLDER, m_strFolder);
    LimitFolderText(pDX, m_strFolder);
    // The browser may start from anything typed; the folder is judged when the page is left.
    if (pDX->m_bSaveAndValidate && !m_bBrowsing)
        ValidateFolder(pDX);
    if (pDX->m_bSaveAndValidate)
        app.m_strInstallDir = m_strFolder;
}

void CDlgPath::ValidateFolder(CDataExchange* pDX) const
{
    if (!tal::is_full_folder_path(m_strFolder))
        pDX->Fail(LoadLocalizedString(MSG_FOLDER_NOT_FULL_PATH));
    const std::vector<std::wstring>& below = InstallerPathsBelowInstallFolder();
    if (!FitsBelow(m_strFolder, below))
        pDX->Fail(FormatLocalizedMessage(MSG_FOLDER_TOO_LONG, {std::to_wstring(LongestFolderFor(below))}));
}

BOOL CDlgPath::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_BROWSE && HIWORD(wParam) == BN_CLICKED) {
        OnBrowse();
        return TRUE;
    }
    return CWizardPage::OnCommand(wParam, lParam);
}

void CDlgPath::OnBrowse()
{
    m_bBrowsing = true;
    const bool saved = UpdateData(TRUE);
    m_bBrowsing = false;
    if (!saved)
        return;
    CInstallApp& app = GetInstallApp();
    const std::wstring title = FormatLocalizedMessage(MSG_SELECT_INSTALL_FOLDER, {GetProductName(true)});
    std::wstring initial = app.m_strInstallDir;
    const std::wstring folder = tal::browse_for_folder(initial, GetProductKeyName(), title.c_str());
    if (!folder.empty()) {
        app.m_strInstallDir = folder;
        UpdateData(FALSE);
    }
}

void CDlgPath::RefreshTexts()
{
    SetMessage(IDC_FOLDER_GROUP, MSG_FOLDER_SELECTION);
    SetMessage(IDC_FOLDER_LABEL, MSG_SELECT_INSTALL_FOLDER, {GetProductName(true)});
    SetMessage(IDC_BROWSE, MSG_BROWSE);
    SetMessage(IDC_STATUS, MSG_CLICK_TO_CONTINUE, {LoadLocalizedString(MSG_NEXT)});
}

void CDlgPath::Stretch(int dx, int dy)
{
    StretchControls(dx, dy, {IDC_FOLDER_GROUP, IDC_FOLDER_LABEL, IDC_FOLDER, IDC_STATUS}, {IDC_BROWSE}, {},
                    {IDC_STATUS});
}
