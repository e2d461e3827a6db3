#pragma once
#include "framework/dialog.h"
#include "install/dlg_install.h"
#include "resources/resource_ids.h"
#include "wizard/dlg_end.h"
#include "wizard/dlg_mode.h"
#include "wizard/dlg_path.h"
#include "wizard/dlg_shortcut.h"
#include "wizard/dlg_start.h"
#include "wizard/page_index.h"

// The wizard frame: six pages in one area, the side picture, Back, Next and Exit.
class CInstallDlg : public CDialog {
public:
    // The installation page tests and installs `payload`, which outlives the frame.
    explicit CInstallDlg(PayloadCheck& payload);
    ~CInstallDlg() override;

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void ShowPage(int target);
    void UpdateButtons();
    void RefreshTexts();

    int CurrentPage() const noexcept { return m_nCurrentPage; }

    // The command of the About item that the frame adds to its system menu.
    static constexpr UINT about_command = IDM_ABOUT;

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
