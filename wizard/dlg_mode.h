#pragma once
#include "wizard/wizard_page.h"

// Page 1: quick or advanced installation.
class CDlgMode : public CWizardPage {
public:
    CDlgMode() : CWizardPage(136) {}

    void DoDataExchange(CDataExchange* pDX) override;
    void RefreshTexts() override;
    void Stretch(int dx, int dy) override;

private:
    int m_nMode = -1;
};
