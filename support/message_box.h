#pragma once
#include <windows.h>

namespace tal {

// A message box owned by the application's active window. `text` and `caption` are each a
// string, a string id made with MAKEINTRESOURCEW, or null; a null or empty caption is the
// application's name. Without icon bits, OK and OK/Cancel boxes get the exclamation icon and
// Yes/No boxes the question icon. Returns the button that MessageBoxW reports.
int message_box(const wchar_t* text, const wchar_t* caption, UINT type);

// The style of the box: the icon rule, and right-to-left reading when asked for.
UINT message_box_style(UINT type, bool right_to_left) noexcept;

// Right-to-left reading: from the owner's layout, or with no owner from the user's language.
bool message_box_right_to_left(HWND owner);
} // namespace tal
