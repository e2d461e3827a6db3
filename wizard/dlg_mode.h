#pragma once
#include "resources/resource_ids.h"
#include "wizard/wizard_page.h"

// Page 1: quick or advanced installation.
class CDlgMode : public CWizardPage {
public:
    CDlgMode() : CWizardPage(IDD_PAGE_MODE) {}

    void DoDataExchange(CDataExchange* pDX) override;
    void RefreshTexts() override;
    void Stretch(int dx, int dy) override;

private:
    // The radio buttons' positions in their group.
    static constexpr int quick_mode = 0;
    static constexpr int advanced_mode = 1;

    int m_nMode = -1;
};
