#pragma once
#include <windows.h>

#include "holders/handles.h"

namespace tal {

// A named semaphore and the units this process has added to it (positive) or taken from it
// (negative), which it gives back before it closes the handle.
class counted_semaphore {
public:
    counted_semaphore() noexcept = default;
    ~counted_semaphore();
    counted_semaphore(const counted_semaphore&) = delete;
    counted_semaphore& operator=(const counted_semaphore&) = delete;

    void reset(HANDLE handle) noexcept { handle_.reset(handle); }
    HANDLE handle() const noexcept { return handle_.get(); }
    LONG balance() const noexcept { return balance_; }

    // Adds n units.
    bool give(LONG n);
    // Takes n units without waiting: all of them, or none.
    bool take(LONG n);

private:
    unique_handle handle_;
    LONG balance_ = 0;
};

// The running-instance counter: every process of the product family adds one unit while it
// runs. Registered once during static initialisation, before the application object exists.
bool register_running_instance();
bool running_instance_registered() noexcept;

// The number of registered processes, this one included; 0 when the counter cannot be read.
unsigned running_instance_count();

} // namespace tal
