#pragma once
#include "app/install_app.h"

// The installer's application: the startup checks, then the wizard.
class CWizardApp : public CInstallApp {
protected:
    void RunWizard() override;
};
