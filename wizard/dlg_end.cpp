#include "wizard/dlg_end.h"

#include "app/install_app.h"
#include "app/localized_strings.h"
#include "app/message_keys.h"

void CDlgEnd::DoDataExchange(CDataExchange* pDX)
{
    if (!pDX->m_bSaveAndValidate && GetInstallApp().m_bInstalled)
        SetMessage(IDC_TEXT, MSG_INSTALLATION_COMPLETE);
}

void CDlgEnd::RefreshTexts()
{
    SetDlgItemText(IDC_TEXT, L"");
    SetMessage(IDC_STATUS, MSG_CLICK_TO_EXIT, {LoadLocalizedString(MSG_EXIT)});
}

void CDlgEnd::Stretch(int dx, int dy)
{
    StretchControls(dx, dy, {IDC_TEXT, IDC_STATUS}, {}, {IDC_TEXT}, {IDC_STATUS});
}
