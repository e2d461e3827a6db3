#pragma once
#include "app/install_app.h"

// The installer's application: the startup checks, then the wizard or, with /S, the
// installation without a window.
class CWizardApp : public CInstallApp {
protected:
    void RunWizard() override;
    int RunSilent() override;
};
