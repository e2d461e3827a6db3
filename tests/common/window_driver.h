#pragma once
// Drives other programs' windows from a test: starts a program, finds its message boxes,
// reads them and presses their buttons.
#include <windows.h>

#include <string>

#include "holders/handles.h"

namespace test {

class program {
public:
    // Starts `exe` with `arguments`; the program is ended when this is destroyed.
    program(const std::wstring& exe, const std::wstring& arguments = L"");
    ~program();
    program(const program&) = delete;
    program& operator=(const program&) = delete;

    DWORD id() const noexcept { return id_; }
    HANDLE handle() const noexcept { return process_.get(); }
    // Waits for the end; true with its exit code, false when it still runs after `ms`.
    bool wait(DWORD ms, DWORD& exit_code);

private:
    tal::unique_handle process_;
    DWORD id_ = 0;
};

// The first visible message box of process `pid` within `ms`, or null.
HWND wait_for_message_box(DWORD pid, DWORD ms);
// The first visible top-level dialog of process `pid` that has a control `id`, or null.
HWND wait_for_dialog(DWORD pid, int id, DWORD ms);
// The first visible top-level window of process `pid` with a descendant of window class
// `child_class`, or null.
HWND wait_for_window_with(DWORD pid, const wchar_t* child_class, DWORD ms);
// The first descendant of `window` of window class `child_class`, or null.
HWND descendant_of_class(HWND window, const wchar_t* child_class);
// The visible child dialog (the page) of a wizard frame.
HWND visible_page(HWND frame);
// The text of control `id` of a dialog.
std::wstring item_text(HWND dialog, int id);
bool item_enabled(HWND dialog, int id);
bool item_checked(HWND dialog, int id);
// Sets a control's text as typing would leave it.
void set_item_text(HWND dialog, int id, const std::wstring& text);
// The system's text for an error code, without its line break.
std::wstring system_text(DWORD code);
// Saves what the screen shows of `window` as a 24-bit BMP.
bool screenshot(HWND window, const std::wstring& path);
std::wstring window_text(HWND window);
// The message of a message box.
std::wstring message_box_text(HWND box);
// Presses button `id` of a dialog (IDOK, IDCANCEL, IDRETRY, ...).
void press(HWND dialog, int id);

} // namespace test
