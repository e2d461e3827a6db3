#include "wizard_driver.h"

#include <commctrl.h>

#include <stdexcept>

#include "helper_process.h"

namespace test {

std::wstring installer_path()
{
    return test_folder() + L"..\\..\\InstallVantrel7.05a.exe";
}

void settle()
{
    ::Sleep(150);
}

wizard::wizard(const std::wstring& installer, const std::wstring& arguments)
    : program_(std::make_unique<program>(installer, arguments))
{
    frame_ = wait_for_dialog(program_->id(), IDC_SIDE_BACKGROUND, 20000);
    if (!frame_)
        throw std::runtime_error("the wizard did not open");
    settle();
}

wizard::~wizard() = default;

HWND wizard::page_with(int id) const
{
    for (HWND child = ::GetWindow(frame_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (::GetDlgItem(child, id))
            return child;
    }
    return nullptr;
}

int wizard::page_index() const
{
    const HWND p = page();
    if (!p)
        return PAGE_NONE;
    const std::pair<int, int> markers[] = {{IDC_LANGUAGE, PAGE_START},     {IDC_QUICK_MODE, PAGE_MODE},
                                           {IDC_FOLDER_LABEL, PAGE_PATH},  {IDC_MENU_SHORTCUT, PAGE_SHORTCUT},
                                           {IDC_LOG, PAGE_INSTALL},        {IDC_TEXT, PAGE_END}};
    for (const auto& [control, index] : markers) {
        if (::GetDlgItem(p, control))
            return index;
    }
    return PAGE_NONE;
}

void wizard::press_frame(int id)
{
    press(frame_, id);
    settle();
}

void wizard::press_page(int id)
{
    const HWND p = page();
    ::PostMessageW(::GetDlgItem(p, id), BM_CLICK, 0, 0);
    settle();
}

void wizard::next()
{
    press_frame(IDOK);
}

void wizard::back()
{
    press_frame(IDC_BACK);
}

void wizard::pick_language(int position)
{
    const HWND start = page_with(IDC_LANGUAGE);
    const HWND combo = ::GetDlgItem(start, IDC_LANGUAGE);
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
    // Posted: the change may open a message box, which a sent message would wait for.
    ::PostMessageW(start, WM_COMMAND, MAKEWPARAM(IDC_LANGUAGE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    settle();
}

bool wizard::wait_page(int index) const
{
    for (int i = 0; i < 100; ++i) {
        if (page_index() == index)
            return true;
        ::Sleep(50);
    }
    return false;
}

bool wizard::ended(DWORD ms)
{
    DWORD code = 0;
    return ended(ms, code);
}

bool wizard::ended(DWORD ms, DWORD& code)
{
    return program_->wait(ms, code);
}

bool wizard::leave(std::wstring* question)
{
    press_frame(IDCANCEL);
    const HWND confirm = wait_for_message_box(pid(), 3000);
    if (question)
        *question = confirm ? message_box_text(confirm) : std::wstring();
    if (confirm)
        press(confirm, IDYES);
    return ended(10000);
}

void wizard::to_folder_page()
{
    next();
    press_page(IDC_ADVANCED_MODE);
    next();
}

void post_key(HWND window, UINT key, bool alt)
{
    // Repeat count 1, the key's scan code, and the context bit that says Alt is down.
    const LPARAM flags = 1 | static_cast<LPARAM>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16 | (alt ? 1 << 29 : 0);
    ::PostMessageW(window, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, flags);
    ::PostMessageW(window, alt ? WM_SYSKEYUP : WM_KEYUP, key, flags | static_cast<LPARAM>(3u << 30));
}

void wizard::save_screenshot(const std::wstring& name) const
{
    const std::wstring folder = test_folder() + L"..\\screenshots";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ::RedrawWindow(frame_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    settle();
    screenshot(frame_, folder + L"\\" + name + L".bmp");
}

} // namespace test
