#pragma once
#include "framework/dialog.h"
#include "install/dlg_install.h"
#include "wizard/dlg_end.h"
#include "wizard/dlg_mode.h"
#include "wizard/dlg_path.h"
#include "wizard/dlg_shortcut.h"
#include "wizard/dlg_start.h"

// The frame's pages by their index, in the order Next walks them.
enum WizardPage : int {
    PAGE_NONE = -1, // before the first page is shown
    PAGE_START = 0,
    PAGE_MODE = 1,
    PAGE_PATH = 2,
    PAGE_SHORTCUT = 3,
    PAGE_INSTALL = 4,
    PAGE_END = 5,
    PAGE_COUNT = 6
};

// The wizard frame: six pages in one area, the side picture, Back, Next and Exit.
class CInstallDlg : public CDialog {
public:
    CInstallDlg();
    ~CInstallDlg() override;

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void ShowPage(int target);
    void UpdateButtons();
    void RefreshTexts();

    int CurrentPage() const noexcept { return m_nCurrentPage; }

    // The command of the About item that the frame adds to its system menu.
    static constexpr UINT about_command = 0x10;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    std::wstring AboutText() const;
    void PlacePages();
    void RunInstallation();

    CDlgStart m_pageStart;
    CDlgMode m_pageMode;
    CDlgPath m_pagePath;
    CDlgShortcut m_pageShortcut;
    CDlgInstall m_pageInstall;
    CDlgEnd m_pageEnd;
    CWizardPage* m_pages[PAGE_COUNT];
    int m_nCurrentPage = PAGE_NONE;
    // While the run is in progress no way out of the wizard and no second run may start.
    bool m_bRunning = false;
    HICON m_hIcon;
};
