#pragma once
#include "framework/dialog.h"

// The About box of the frame's system menu.
class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* parent) : CDialog(100, parent) {}
    BOOL OnInitDialog() override;
};
