#pragma once
#include <windows.h>
#include <commctrl.h>

#include "resources/resource_ids.h"
#include "wizard/wizard_page.h"

// Page 0: the language list and the situation of a previous installation.
class CDlgStart : public CWizardPage {
public:
    CDlgStart() : CWizardPage(IDD_PAGE_START) {}
    ~CDlgStart() override;

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void RefreshTexts() override;
    void Stretch(int dx, int dy) override;

    // The languages offered, in their order on the list.
    static constexpr int languages[8] = {0, 1, 2, 3, 4, 5, 14, 7};

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    CWnd m_comboLanguage;
    HIMAGELIST m_imageList = nullptr;
};
