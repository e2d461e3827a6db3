#pragma once
// The other side of helper_process: the two event names that every helper gets first.
#include <windows.h>

#include "holders/handles.h"

namespace test {

class helper_events {
public:
    helper_events(const wchar_t* ready, const wchar_t* quit)
        : ready_(::OpenEventW(EVENT_MODIFY_STATE, FALSE, ready)), quit_(::OpenEventW(SYNCHRONIZE, FALSE, quit)) {}

    bool ok() const { return ready_ && quit_; }
    void signal_ready() const { ::SetEvent(ready_.get()); }
    void wait_for_quit() const { ::WaitForSingleObject(quit_.get(), 60000); }

private:
    tal::unique_handle ready_;
    tal::unique_handle quit_;
};

} // namespace test
