#pragma once
#include "framework/dialog.h"
#include "resources/resource_ids.h"

// The About box of the frame's system menu.
class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* parent) : CDialog(IDD_ABOUT, parent) {}
    BOOL OnInitDialog() override;
};
