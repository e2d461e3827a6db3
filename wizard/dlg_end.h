#pragma once
#include "resources/resource_ids.h"
#include "wizard/wizard_page.h"

// Page 5: the end of the installation.
class CDlgEnd : public CWizardPage {
public:
    CDlgEnd() : CWizardPage(IDD_PAGE_END) {}

    void DoDataExchange(CDataExchange* pDX) override;
    void RefreshTexts() override;
    void Stretch(int dx, int dy) override;
};
