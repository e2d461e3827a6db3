#include "wizard/dlg_mode.h"

#include "app/install_app.h"
#include "app/localized_strings.h"

void CDlgMode::DoDataExchange(CDataExchange* pDX)
{
    CInstallApp& app = GetInstallApp();
    if (!pDX->m_bSaveAndValidate)
        m_nMode = app.m_bAdvancedMode ? 1 : 0;
    DDX_Radio(pDX, 1018, m_nMode);
    if (pDX->m_bSaveAndValidate)
        app.m_bAdvancedMode = m_nMode == 1;
}

void CDlgMode::RefreshTexts()
{
    SetMessage(1021, 1015);
    SetMessage(1018, 1016);
    SetMessage(1019, 1017);
    SetMessage(1003, 1106, {LoadLocalizedString(1006)});
}

void CDlgMode::Stretch(int dx, int dy)
{
    StretchControls(dx, dy, {1021, 1018, 1019, 1003}, {}, {}, {1003});
}
