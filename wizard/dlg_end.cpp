#include "wizard/dlg_end.h"

#include "app/install_app.h"
#include "app/localized_strings.h"

void CDlgEnd::DoDataExchange(CDataExchange* pDX)
{
    if (!pDX->m_bSaveAndValidate && GetInstallApp().m_bInstalled)
        SetMessage(1016, 1120);
}

void CDlgEnd::RefreshTexts()
{
    SetDlgItemText(1016, L"");
    SetMessage(1003, 1107, {LoadLocalizedString(1004)});
}

void CDlgEnd::Stretch(int dx, int dy)
{
    StretchControls(dx, dy, {1016, 1003}, {}, {1016}, {1003});
}
