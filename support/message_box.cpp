#include "support/message_box.h"

#include <string>

#include "framework/winapp.h"
#include "support/language.h"

namespace tal {
UINT message_box_style(UINT type, bool right_to_left) noexcept
{
    if ((type & MB_ICONMASK) == 0) {
        switch (type & MB_TYPEMASK) {
        case MB_OK:
        case MB_OKCANCEL: type |= MB_ICONEXCLAMATION; break;
        case MB_YESNOCANCEL:
        case MB_YESNO: type |= MB_ICONQUESTION; break;
        default: break;
        }
    }
    if (right_to_left)
        type |= MB_RTLREADING;
    return type;
}

bool message_box_right_to_left(HWND owner)
{
    if (owner)
        return (::GetWindowLongW(owner, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
    return is_right_to_left(language_from_user_ui(0));
}

namespace {

std::wstring text_of(const wchar_t* value)
{
    if (!value)
        return {};
    if (IS_INTRESOURCE(value))
        return load_string(static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(value)));
    return value;
}

} // namespace

int message_box(const wchar_t* text, const wchar_t* caption, UINT type)
{
    HWND top = nullptr;
    const HWND owner = AfxGetSafeOwner(nullptr, &top);
    CWinApp* app = AfxGetApp();
    if (app)
        app->EnableModeless(FALSE);
    // A disabled top-level window would leave the box's owner without focus afterwards.
    if (owner && owner != top)
        ::EnableWindow(owner, TRUE);

    const UINT style = message_box_style(type, message_box_right_to_left(owner));
    const std::wstring body = text_of(text);
    std::wstring title = text_of(caption);
    if (title.empty() && app)
        title = app->m_strAppName;
    const int answer = ::MessageBoxW(owner, body.c_str(), title.empty() ? nullptr : title.c_str(), style);

    if (top)
        ::EnableWindow(top, TRUE);
    if (app)
        app->EnableModeless(TRUE);
    return answer;
}

} // namespace tal
