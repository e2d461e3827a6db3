#include "message_box_watch.h"

namespace test {
namespace {

struct search {
    DWORD process;
    HWND found;
};

BOOL CALLBACK find_box(HWND window, LPARAM parameter)
{
    auto* s = reinterpret_cast<search*>(parameter);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    if (process == s->process && ::IsWindowVisible(window) && std::wstring(name) == L"#32770") {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

std::wstring text_of(HWND window)
{
    wchar_t text[1024] = {};
    ::GetWindowTextW(window, text, 1024);
    return text;
}

} // namespace

message_box_answerer::message_box_answerer(int button)
{
    thread_ = std::thread([this, button] {
        for (int attempt = 0; attempt < 200; ++attempt) {
            search s{::GetCurrentProcessId(), nullptr};
            ::EnumWindows(find_box, reinterpret_cast<LPARAM>(&s));
            if (s.found) {
                box_.found = true;
                box_.caption = text_of(s.found);
                box_.text = text_of(::GetDlgItem(s.found, 0xFFFF));
                ::PostMessageW(s.found, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
                return;
            }
            ::Sleep(25);
        }
    });
}

message_box_answerer::~message_box_answerer()
{
    if (thread_.joinable())
        thread_.join();
}

shown_box message_box_answerer::result()
{
    if (thread_.joinable())
        thread_.join();
    return box_;
}

} // namespace test
