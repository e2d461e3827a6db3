#include "wizard/wizard_page.h"

#include <algorithm>

#include "app/localized_strings.h"

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
