#include "wizard/wizard_app.h"

#include <windows.h>
#include <commctrl.h>

#include "payload/payload_resource.h"
#include "support/language.h"
#include "wizard/install_dlg.h"
#include "wizard/silent_installation.h"

BOOL CWizardApp::InitInstance()
{
    const BOOL result = CInstallApp::InitInstance();
    // A test still running (the startup refused to go on) ends here, not during the
    // process's static destruction.
    m_payload.reset();
    return result;
}

PayloadCheck& CWizardApp::Payload()
{
    if (!m_payload) {
        const tal::imemstream payload = payload::open_payload(tal::language_module());
        m_payload.emplace(payload.data(), payload.size());
    }
    return *m_payload;
}

void CWizardApp::StartArchiveTest()
{
    // Beside a wizard the test keeps below the window's priority; without one nothing
    // needs the processor more.
    Payload().Start(m_options.silent ? THREAD_PRIORITY_NORMAL : THREAD_PRIORITY_BELOW_NORMAL);
}

void CWizardApp::RunWizard()
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_USEREX_CLASSES | ICC_PROGRESS_CLASS;
    ::InitCommonControlsEx(&controls);
    CInstallDlg frame(Payload());
    m_pMainWnd = &frame;
    frame.DoModal();
    m_pMainWnd = nullptr;
}

int CWizardApp::RunSilent()
{
    return RunSilentInstallation(*this, Payload());
}
