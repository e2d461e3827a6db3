#pragma once
#include "wizard/wizard_page.h"

// Page 2: the installation folder.
class CDlgPath : public CWizardPage {
public:
    CDlgPath() : CWizardPage(133) {}

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void RefreshTexts() override;
    void Stretch(int dx, int dy) override;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void OnBrowse();
    std::wstring m_strFolder;
};
