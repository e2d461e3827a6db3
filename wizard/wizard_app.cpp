#include "wizard/wizard_app.h"

#include <windows.h>
#include <commctrl.h>

#include "wizard/install_dlg.h"
#include "wizard/silent_installation.h"

void CWizardApp::RunWizard()
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_USEREX_CLASSES | ICC_PROGRESS_CLASS;
    ::InitCommonControlsEx(&controls);
    CInstallDlg frame;
    m_pMainWnd = &frame;
    frame.DoModal();
    m_pMainWnd = nullptr;
}

int CWizardApp::RunSilent()
{
    return RunSilentInstallation(*this);
}
