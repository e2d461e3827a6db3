#pragma once
// Dialogs from templates, modal or as child pages, with dialog data exchange: DDX_ moves a
// value between a control and a member in the direction that the exchange says; DDV_
// validates when saving and fails the exchange with a message, the focus on the control.
#include <windows.h>

#include <string>

#include "framework/winapp.h"

class CDialog;

// Thrown by CDataExchange::Fail; UpdateData catches it and answers FALSE.
struct CUserException {};

class CDataExchange {
public:
    CDataExchange(CDialog* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

    // The control of `id`, remembered as the one that a failure gives the focus to.
    HWND PrepareCtrl(int id);
    HWND PrepareEditCtrl(int id);
    [[noreturn]] void Fail();
    // Tells the user why in the framework's validation box, then fails.
    [[noreturn]] void Fail(const std::wstring& prompt);

    CDialog* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
    HWND m_hWndLastControl = nullptr;
    bool m_bEditLastControl = false;
};

void DDX_Text(CDataExchange* pDX, int id, std::wstring& value);
void DDX_Check(CDataExchange* pDX, int id, int& value);
// The radio group that starts at `id`: the index of the checked button, -1 for none.
void DDX_Radio(CDataExchange* pDX, int id, int& value);
// Attaches the control once, so that `control` refers to it.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
// At most `count` characters: limits the edit when loading, refuses longer text when saving
// with `prompt`, or with the framework's own English text when none is given.
void DDV_MaxChars(CDataExchange* pDX, const std::wstring& value, int count, const std::wstring& prompt = {});

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    INT_PTR DoModal();
    // A modeless dialog, a child of `parent` when the template says so.
    BOOL Create(CWnd* parent);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);
    // Loads the controls (FALSE) or saves and validates them (TRUE); FALSE when validation failed.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    void EndDialog(int result);

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void SetDlgItemText(int id, const std::wstring& text) const { ::SetDlgItemTextW(m_hWnd, id, text.c_str()); }
    UINT GetTemplateId() const noexcept { return m_nIDTemplate; }

protected:
    // WM_COMMAND: OK and Cancel by default; TRUE when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // Any other message; TRUE with `result` when handled.
    virtual BOOL OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool m_bModal = false;
};

// The wait cursor while an object of this class lives.
class CWaitCursor {
public:
    CWaitCursor() : m_hOld(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}
    ~CWaitCursor() { ::SetCursor(m_hOld); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    HCURSOR m_hOld;
};
