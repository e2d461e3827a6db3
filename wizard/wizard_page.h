#pragma once
// A page of the wizard: a child dialog that sets its texts from the current language and
// adapts its controls when the frame has grown.
#include <initializer_list>
#include <string>

#include "framework/dialog.h"

class CWizardPage : public CDialog {
public:
    using CDialog::CDialog;

    BOOL OnInitDialog() override;
    // A page never ends itself: Enter and Escape that reach it press the frame's default
    // button and its Exit button, as they would anywhere else in the wizard.
    void OnOK() override;
    void OnCancel() override;

    virtual void RefreshTexts() = 0;
    // dx, dy: pixels by which the page grew.
    virtual void Stretch(int dx, int dy) = 0;

protected:
    // Widen: right edge by dx; move right: by dx; grow: bottom edge by dy; move down: by dy.
    void StretchControls(int dx, int dy, std::initializer_list<int> widen, std::initializer_list<int> moveRight,
                         std::initializer_list<int> grow, std::initializer_list<int> moveDown) const;
    void SetMessage(int id, unsigned key) const;
    void SetMessage(int id, unsigned key, std::initializer_list<std::wstring> arguments) const;
    // The folder edits' length check: at most a path's length, refused in the installer's language.
    static void LimitFolderText(CDataExchange* pDX, const std::wstring& text);

private:
    // Clicks button `id` of the frame when it is enabled, as the user would.
    void PressFrameButton(int id) const;
};

// Moves or resizes a control without redrawing, activating it or changing the Z order.
void MoveControl(HWND control, int dx, int dy, int dwidth, int dheight);
