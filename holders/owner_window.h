#pragma once
// The window that a box or a shell dialog opened without a parent should belong to: the root
// owner of the active window, else the first captioned root owner among this thread's
// windows, and then that window's last active popup.
#include <windows.h>

namespace tal {
namespace details {

inline BOOL CALLBACK find_captioned_root_owner(HWND window, LPARAM found)
{
    const HWND root = ::GetAncestor(window, GA_ROOTOWNER);
    if (root && (::GetWindowLongW(root, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) {
        *reinterpret_cast<HWND*>(found) = root;
        return FALSE;
    }
    return TRUE;
}

} // namespace details

inline HWND active_owner_window()
{
    HWND owner = ::GetActiveWindow();
    if (owner)
        owner = ::GetAncestor(owner, GA_ROOTOWNER);
    else
        ::EnumThreadWindows(::GetCurrentThreadId(), details::find_captioned_root_owner, reinterpret_cast<LPARAM>(&owner));
    return owner ? ::GetLastActivePopup(owner) : nullptr;
}

} // namespace tal
