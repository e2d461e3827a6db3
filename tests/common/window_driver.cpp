#include "window_driver.h"

#include <stdexcept>

namespace test {
namespace {

struct search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK find_box(HWND window, LPARAM parameter)
{
    auto* s = reinterpret_cast<search*>(parameter);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    if (pid == s->pid && ::IsWindowVisible(window) && std::wstring(name) == L"#32770") {
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

HWND wait_for_message_box(DWORD pid, DWORD ms)
{
    const DWORD start = ::GetTickCount();
    do {
        search s{pid, nullptr};
        ::EnumWindows(find_box, reinterpret_cast<LPARAM>(&s));
        if (s.found)
            return s.found;
        ::Sleep(25);
    } while (::GetTickCount() - start < ms);
    return nullptr;
}

std::wstring window_text(HWND window)
{
    wchar_t text[2048] = {};
    ::GetWindowTextW(window, text, 2048);
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
