#include "wizard/dlg_mode.h"

#include "app/install_app.h"
#include "app/localized_strings.h"
#include "app/message_keys.h"

void CDlgMode::DoDataExchange(CDataExchange* pDX)
{
    CInstallApp& app = GetInstallApp();
    if (!pDX->m_bSaveAndValidate)
        m_nMode = app.m_bAdvancedMode ? advanced_mode : quick_mode;
    DDX_Radio(pDX, IDC_QUICK_MODE, m_nMode);
    if (pDX->m_bSaveAndValidate)
        app.m_bAdvancedMode = m_nMode == advanced_mode;
}

void CDlgMode::RefreshTexts()
{
    SetMessage(IDC_MODE_GROUP, MSG_INSTALLATION_METHOD);
    SetMessage(IDC_QUICK_MODE, MSG_QUICK_INSTALLATION);
    SetMessage(IDC_ADVANCED_MODE, MSG_ADVANCED_INSTALLATION);
    SetMessage(IDC_STATUS, MSG_CLICK_TO_CONTINUE, {LoadLocalizedString(MSG_NEXT)});
}

void CDlgMode::Stretch(int dx, int dy)
{
    StretchControls(dx, dy, {IDC_MODE_GROUP, IDC_QUICK_MODE, IDC_ADVANCED_MODE, IDC_STATUS}, {}, {}, {IDC_STATUS});
}
