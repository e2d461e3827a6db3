#pragma once
// Answers the next message box of this process from a second thread, noting what it showed.
#include <windows.h>

#include <string>
#include <thread>

namespace test {

struct shown_box {
    std::wstring caption;
    std::wstring text;
    bool found = false;
    HWND owner = nullptr;       // the box's owner window
    bool owner_enabled = false; // whether the owner took input while the box was up
};

class message_box_answerer {
public:
    // Presses `button` on the first message box that appears within a few seconds.
    explicit message_box_answerer(int button);
    ~message_box_answerer();
    // What the box showed; waits for the answering thread.
    shown_box result();

private:
    std::thread thread_;
    shown_box box_;
};

} // namespace test
