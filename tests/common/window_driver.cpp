#include "window_driver.h"

#include <stdexcept>

namespace test {
namespace {

struct search {
    DWORD pid;
    int id;
    HWND found;
};

bool is_dialog(HWND window)
{
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    return std::wstring(name) == L"#32770";
}

BOOL CALLBACK find_dialog(HWND window, LPARAM parameter)
{
    auto* s = reinterpret_cast<search*>(parameter);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid == s->pid && ::IsWindowVisible(window) && is_dialog(window) && ::GetDlgItem(window, s->id)) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

program::program(const std::wstring& exe, const std::wstring& arguments)
{
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        throw std::runtime_error("cannot start a program");
    process_.reset(info.hProcess);
    const tal::unique_handle thread(info.hThread);
    id_ = info.dwProcessId;
}

program::~program()
{
    if (::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process_.get(), 99);
        ::WaitForSingleObject(process_.get(), 10000);
    }
}

bool program::wait(DWORD ms, DWORD& exit_code)
{
    if (::WaitForSingleObject(process_.get(), ms) != WAIT_OBJECT_0)
        return false;
    ::GetExitCodeProcess(process_.get(), &exit_code);
    return true;
}

HWND wait_for_dialog(DWORD pid, int id, DWORD ms)
{
    const DWORD start = ::GetTickCount();
    do {
        search s{pid, id, nullptr};
        ::EnumWindows(find_dialog, reinterpret_cast<LPARAM>(&s));
        if (s.found)
            return s.found;
        ::Sleep(25);
    } while (::GetTickCount() - start < ms);
    return nullptr;
}

HWND wait_for_message_box(DWORD pid, DWORD ms)
{
    // A message box shows its message in the static control 0xFFFF.
    return wait_for_dialog(pid, 0xFFFF, ms);
}

namespace {

struct class_search {
    const wchar_t* name;
    HWND found;
};

BOOL CALLBACK find_class(HWND window, LPARAM parameter)
{
    auto* s = reinterpret_cast<class_search*>(parameter);
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    if (::lstrcmpiW(name, s->name) == 0) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

struct owner_search {
    DWORD pid;
    const wchar_t* child_class;
    HWND found;
};

BOOL CALLBACK find_with_child(HWND window, LPARAM parameter)
{
    auto* s = reinterpret_cast<owner_search*>(parameter);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid == s->pid && ::IsWindowVisible(window) && descendant_of_class(window, s->child_class)) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND descendant_of_class(HWND window, const wchar_t* child_class)
{
    class_search s{child_class, nullptr};
    ::EnumChildWindows(window, find_class, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND wait_for_window_with(DWORD pid, const wchar_t* child_class, DWORD ms)
{
    const DWORD start = ::GetTickCount();
    do {
        owner_search s{pid, child_class, nullptr};
        ::EnumWindows(find_with_child, reinterpret_cast<LPARAM>(&s));
        if (s.found)
            return s.found;
        ::Sleep(25);
    } while (::GetTickCount() - start < ms);
    return nullptr;
}

HWND visible_page(HWND frame)
{
    for (HWND child = ::GetWindow(frame, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (is_dialog(child) && ::IsWindowVisible(child))
            return child;
    }
    return nullptr;
}

std::wstring item_text(HWND dialog, int id)
{
    return window_text(::GetDlgItem(dialog, id));
}

bool item_enabled(HWND dialog, int id)
{
    return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE;
}

bool item_checked(HWND dialog, int id)
{
    return ::SendMessageW(::GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void set_item_text(HWND dialog, int id, const std::wstring& text)
{
    ::SendMessageW(::GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring system_text(DWORD code)
{
    wchar_t* buffer = nullptr;
    ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                     nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::wstring text = buffer ? buffer : L"";
    ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n'))
        text.pop_back();
    return text;
}

bool screenshot(HWND window, const std::wstring& path)
{
    RECT r{};
    ::GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return false;
    const HDC screen = ::GetDC(nullptr);
    const HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    const HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
    const DWORD image = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + image;
    bool ok = false;
    const tal::unique_hfile out(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (out) {
        DWORD written = 0;
        ok = ::WriteFile(out.get(), &file, sizeof file, &written, nullptr)
             && ::WriteFile(out.get(), &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr)
             && ::WriteFile(out.get(), bits, image, &written, nullptr);
    }
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return ok;
}

std::wstring window_text(HWND window)
{
    // GetWindowText does not ask another process's edit controls for their text; WM_GETTEXT does.
    DWORD_PTR length = 0;
    ::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                          5000, &copied);
    text.resize(copied);
    return text;
}

std::wstring message_box_text(HWND box)
{
    // The message of a message box is its static control 0xFFFF.
    return window_text(::GetDlgItem(box, 0xFFFF));
}

void press(HWND dialog, int id)
{
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

} // namespace test
