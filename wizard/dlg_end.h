#pragma once
#include "wizard/wizard_page.h"

// Page 5: the end of the installation.
class CDlgEnd : public CWizardPage {
public:
    CDlgEnd() : CWizardPage(137) {}

    void DoDataExchange(CDataExchange* pDX) override;
    void RefreshTexts() override;
    void Stretch(int dx, int dy) override;
};
