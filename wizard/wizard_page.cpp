#include "wizard/wizard_page.h"

#include <commctrl.h>

#include <algorithm>

#include "app/localized_strings.h"
#include "app/message_keys.h"
#include "support/path.h"

namespace {

// A multiline edit wants every key, and takes Escape as a request to close its own parent, the
// page. Declining Enter and Escape leaves them to the frame's dialog manager, which gives them
// the meaning they have in every other control of the wizard.
LRESULT CALLBACK leave_dialog_keys_to_frame(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                            DWORD_PTR)
{
    if (message == WM_GETDLGCODE) {
        LRESULT code = ::DefSubclassProc(edit, message, wParam, lParam);
        const auto* key = reinterpret_cast<const MSG*>(lParam);
        if (key && key->message == WM_KEYDOWN && (key->wParam == VK_RETURN || key->wParam == VK_ESCAPE))
            code &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
        return code;
    }
    if (message == WM_NCDESTROY)
        ::RemoveWindowSubclass(edit, leave_dialog_keys_to_frame, id);
    return ::DefSubclassProc(edit, message, wParam, lParam);
}

bool is_multiline_edit(HWND control)
{
    wchar_t name[16] = {};
    ::GetClassNameW(control, name, 16);
    return ::lstrcmpiW(name, L"Edit") == 0 && (::GetWindowLongW(control, GWL_STYLE) & ES_MULTILINE);
}

} // namespace

BOOL CWizardPage::OnInitDialog()
{
    CDialog::OnInitDialog();
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (is_multiline_edit(child))
            ::SetWindowSubclass(child, leave_dialog_keys_to_frame, 0, 0);
    }
    return TRUE;
}

void CWizardPage::OnOK()
{
    const DWORD id = static_cast<DWORD>(::SendMessageW(::GetParent(m_hWnd), DM_GETDEFID, 0, 0));
    if (HIWORD(id) == DC_HASDEFID)
        PressFrameButton(LOWORD(id));
}

void CWizardPage::OnCancel()
{
    PressFrameButton(IDCANCEL);
}

void CWizardPage::PressFrameButton(int id) const
{
    const HWND frame = ::GetParent(m_hWnd);
    const HWND button = ::GetDlgItem(frame, id);
    if (button && ::IsWindowEnabled(button))
        ::SendMessageW(frame, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void MoveControl(HWND control, int dx, int dy, int dwidth, int dheight)
{
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    ::SetWindowPos(control, nullptr, r.left + dx, r.top + dy, r.right - r.left + dwidth, r.bottom - r.top + dheight,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

void CWizardPage::StretchControls(int dx, int dy, std::initializer_list<int> widen, std::initializer_list<int> moveRight,
                                  std::initializer_list<int> grow, std::initializer_list<int> moveDown) const
{
    const auto has = [](std::initializer_list<int> ids, int id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); };
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const int id = ::GetDlgCtrlID(child);
        const int x = has(moveRight, id) ? dx : 0;
        const int y = has(moveDown, id) ? dy : 0;
        const int w = has(widen, id) ? dx : 0;
        const int h = has(grow, id) ? dy : 0;
        if (x || y || w || h)
            MoveControl(child, x, y, w, h);
    }
}

void CWizardPage::SetMessage(int id, unsigned key) const
{
    SetDlgItemText(id, LoadLocalizedString(key));
}

void CWizardPage::SetMessage(int id, unsigned key, std::initializer_list<std::wstring> arguments) const
{
    SetDlgItemText(id, FormatLocalizedMessage(key, arguments));
}

void CWizardPage::LimitFolderText(CDataExchange* pDX, const std::wstring& text)
{
    const int limit = static_cast<int>(tal::max_path);
    DDV_MaxChars(pDX, text, limit, FormatLocalizedMessage(MSG_TOO_MANY_CHARACTERS, {std::to_wstring(limit)}));
}
