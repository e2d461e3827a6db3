#pragma once
#include <optional>

#include "app/install_app.h"
#include "install/payload_check.h"

// The installer's application: the startup checks, then the wizard or, with /S, the
// installation without a window.
class CWizardApp : public CInstallApp {
public:
    BOOL InitInstance() override;

protected:
    void StartArchiveTest() override;
    void RunWizard() override;
    int RunSilent() override;

private:
    PayloadCheck& Payload();

    // Tested from the startup on, for the wizard's run or the silent one.
    std::optional<PayloadCheck> m_payload;
};
