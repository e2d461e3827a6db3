#include "framework/dialog.h"

#include <cwchar>
#include <vector>

HWND CDataExchange::PrepareCtrl(int id)
{
    m_hWndLastControl = m_pDlgWnd->GetDlgItem(id);
    m_bEditLastControl = false;
    return m_hWndLastControl;
}

HWND CDataExchange::PrepareEditCtrl(int id)
{
    const HWND control = PrepareCtrl(id);
    m_bEditLastControl = true;
    return control;
}

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && m_hWndLastControl) {
        ::SetFocus(m_hWndLastControl);
        if (m_bEditLastControl)
            ::SendMessageW(m_hWndLastControl, EM_SETSEL, 0, -1);
    }
    throw CUserException{};
}

void CDataExchange::Fail(const std::wstring& prompt)
{
    HWND top = nullptr;
    const HWND owner = AfxGetSafeOwner(m_pDlgWnd->m_hWnd, &top);
    CWinApp* app = AfxGetApp();
    ::MessageBoxW(owner, prompt.c_str(), app ? app->m_strAppName.c_str() : nullptr, MB_OK | MB_ICONEXCLAMATION);
    if (top)
        ::EnableWindow(top, TRUE);
    Fail();
}

void DDX_Text(CDataExchange* pDX, int id, std::wstring& value)
{
    const HWND control = pDX->PrepareEditCtrl(id);
    if (pDX->m_bSaveAndValidate) {
        const int length = ::GetWindowTextLengthW(control);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        ::GetWindowTextW(control, text.data(), length + 1);
        text.resize(static_cast<std::size_t>(length));
        value = text;
    } else {
        ::SetWindowTextW(control, value.c_str());
    }
}

void DDX_Check(CDataExchange* pDX, int id, int& value)
{
    const HWND control = pDX->PrepareCtrl(id);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageW(control, BM_GETCHECK, 0, 0));
    else
        ::SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Radio(CDataExchange* pDX, int id, int& value)
{
    HWND control = pDX->PrepareCtrl(id);
    if (pDX->m_bSaveAndValidate)
        value = -1;
    // The group runs from `id` to the next control that starts a group.
    for (int index = 0; control; ++index) {
        if (pDX->m_bSaveAndValidate) {
            if (::SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED)
                value = index;
        } else {
            ::SendMessageW(control, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        control = ::GetWindow(control, GW_HWNDNEXT);
        if (!control || (::GetWindowLongW(control, GWL_STYLE) & WS_GROUP))
            break;
    }
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control)
{
    if (!control.m_hWnd)
        control.m_hWnd = pDX->PrepareCtrl(id);
}

void DDV_MaxChars(CDataExchange* pDX, const std::wstring& value, int count, const std::wstring& prompt)
{
    if (!pDX->m_bSaveAndValidate) {
        if (pDX->m_hWndLastControl)
            ::SendMessageW(pDX->m_hWndLastControl, EM_LIMITTEXT, static_cast<WPARAM>(count), 0);
        return;
    }
    if (value.size() <= static_cast<std::size_t>(count))
        return;
    if (!prompt.empty())
        pDX->Fail(prompt);
    wchar_t text[96];
    std::swprintf(text, 96, L"Please enter no more than %d characters.", count);
    pDX->Fail(text);
}

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog()
{
    if (m_hWnd && !m_bModal && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal()
{
    m_bModal = true;
    CWinApp* app = AfxGetApp();
    const HINSTANCE instance = app && app->m_hInstance ? app->m_hInstance : ::GetModuleHandleW(nullptr);
    const HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : AfxGetSafeOwner(nullptr, nullptr);
    const INT_PTR result = ::DialogBoxParamW(instance, MAKEINTRESOURCEW(m_nIDTemplate), owner, DialogProc,
                                             reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    return result;
}

BOOL CDialog::Create(CWnd* parent)
{
    m_pParentWnd = parent;
    CWinApp* app = AfxGetApp();
    const HINSTANCE instance = app && app->m_hInstance ? app->m_hInstance : ::GetModuleHandleW(nullptr);
    const HWND window = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(m_nIDTemplate), parent ? parent->m_hWnd : nullptr,
                                             DialogProc, reinterpret_cast<LPARAM>(this));
    return window != nullptr;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange exchange(this, saveAndValidate);
    try {
        DoDataExchange(&exchange);
    } catch (const CUserException&) {
        return FALSE;
    }
    return TRUE;
}

void CDialog::EndDialog(int result)
{
    if (m_bModal)
        ::EndDialog(m_hWnd, result);
    else
        ::DestroyWindow(m_hWnd);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM)
{
    if (HIWORD(wParam) != BN_CLICKED && HIWORD(wParam) != 0)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK: OnOK(); return TRUE;
    case IDCANCEL: OnCancel(); return TRUE;
    default: return FALSE;
    }
}

BOOL CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return FALSE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
        dialog->m_hWnd = window;
        return dialog->OnInitDialog();
    }
    auto* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!dialog)
        return FALSE;
    if (message == WM_COMMAND)
        return dialog->OnCommand(wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        dialog->m_hWnd = nullptr;
        return FALSE;
    }
    LRESULT result = 0;
    if (!dialog->OnMessage(message, wParam, lParam, result))
        return FALSE;
    // These answer through the return value itself; every other message through DWLP_MSGRESULT.
    if ((message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) || message == WM_QUERYDRAGICON)
        return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}
