#include "wizard/dlg_path.h"

#include "app/install_app.h"
#include "app/localized_strings.h"
#include "app/product.h"
#include "support/folder_browser.h"

BOOL CDlgPath::OnInitDialog()
{
    CWizardPage::OnInitDialog();
    // A reinstallation or an update keeps the previous installation's folder.
    if (GetInstallApp().m_nPreviousState != 0) {
        ::EnableWindow(GetDlgItem(1009), FALSE);
        ::EnableWindow(GetDlgItem(1006), FALSE);
        ::SendMessageW(GetDlgItem(1007), EM_SETREADONLY, TRUE, 0);
    }
    return TRUE;
}

void CDlgPath::DoDataExchange(CDataExchange* pDX)
{
    CInstallApp& app = GetInstallApp();
    if (!pDX->m_bSaveAndValidate)
        m_strFolder = app.m_strInstallDir;
    DDX_Text(pDX, 1007, m_strFolder);
    DDV_MaxChars(pDX, m_strFolder, 260);
    if (pDX->m_bSaveAndValidate)
        app.m_strInstallDir = m_strFolder;
}

BOOL CDlgPath::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == 1006 && HIWORD(wParam) == BN_CLICKED) {
        OnBrowse();
        return TRUE;
    }
    return CWizardPage::OnCommand(wParam, lParam);
}

void CDlgPath::OnBrowse()
{
    if (!UpdateData(TRUE))
        return;
    CInstallApp& app = GetInstallApp();
    const std::wstring title = FormatLocalizedMessage(1111, {GetProductName(true)});
    std::wstring initial = app.m_strInstallDir;
    const std::wstring folder = tal::browse_for_folder(initial, GetProductKeyName(), title.c_str());
    if (!folder.empty()) {
        app.m_strInstallDir = folder;
        UpdateData(FALSE);
    }
}

void CDlgPath::RefreshTexts()
{
    SetMessage(1008, 1010);
    SetMessage(1009, 1111, {GetProductName(true)});
    SetMessage(1006, 1008);
    SetMessage(1003, 1106, {LoadLocalizedString(1006)});
}

void CDlgPath::Stretch(int dx, int dy)
{
    StretchControls(dx, dy, {1008, 1009, 1007, 1003}, {1006}, {}, {1003});
}
