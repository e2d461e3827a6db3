#pragma once
#include "resources/resource_ids.h"
#include "wizard/wizard_page.h"

// Page 3: the Start-menu and desktop shortcuts.
class CDlgShortcut : public CWizardPage {
public:
    CDlgShortcut() : CWizardPage(IDD_PAGE_SHORTCUT) {}

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void RefreshTexts() override;
    void Stretch(int dx, int dy) override;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void ApplyCheckRule() const;
    void OnBrowse();

    int m_nDesktop = 0;
    int m_nStartMenu = 0;
    std::wstring m_strRelative;
    std::wstring m_strRoot; // the Start menu folder that the relative text starts from
    bool m_bBrowsing = false;
};
