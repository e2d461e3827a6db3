#include "message_box_watch.h"

#include "window_driver.h"

namespace test {

message_box_answerer::message_box_answerer(int button)
{
    thread_ = std::thread([this, button] {
        const HWND box = wait_for_message_box(::GetCurrentProcessId(), 5000);
        if (!box)
            return;
        box_.found = true;
        box_.caption = window_text(box);
        box_.text = message_box_text(box);
        box_.owner = ::GetWindow(box, GW_OWNER);
        box_.owner_enabled = box_.owner && ::IsWindowEnabled(box_.owner);
        press(box, button);
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
