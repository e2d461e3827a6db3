#pragma once
#include "resources/resource_ids.h"
#include "wizard/wizard_page.h"

// Page 2: the installation folder.
class CDlgPath : public CWizardPage {
public:
    CDlgPath() : CWizardPage(IDD_PAGE_PATH) {}

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void RefreshTexts() override;
    void Stretch(int dx, int dy) override;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    // Only a full path below which everything the installation makes fits.
    void ValidateFolder(CDataExchange* pDX) const;
    void OnBrowse();

    std::wstring m_strFolder;
    bool m_bBrowsing = false;
};
