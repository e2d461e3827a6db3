#pragma once
#include <windows.h>

#include "holders/handles.h"

namespace tal {

// A named mutex and whether this process holds it.
class named_mutex {
public:
    // With `global`, the mutex lives in the global namespace and Everyone may use it. An
    // initial owner that finds the mutex already there waits for it.
    named_mutex(const wchar_t* name, bool initial_owner, bool global);
    ~named_mutex();
    named_mutex(const named_mutex&) = delete;
    named_mutex& operator=(const named_mutex&) = delete;

    // Takes the mutex without waiting; one abandoned by a process that ended counts as taken.
    bool try_acquire();
    void release();

    bool owned() const noexcept { return owned_; }
    HANDLE handle() const noexcept { return handle_.get(); }

private:
    unique_handle handle_;
    bool owned_ = false;
};

// The mutex given up for the life of the holder (while another program must start) and
// taken back, without waiting, when it ends, on every path.
class released_lock {
public:
    explicit released_lock(named_mutex& lock) : lock_(lock), was_owned_(lock.owned())
    {
        if (was_owned_)
            lock_.release();
    }
    ~released_lock()
    {
        if (was_owned_)
            lock_.try_acquire();
    }
    released_lock(const released_lock&) = delete;
    released_lock& operator=(const released_lock&) = delete;

private:
    named_mutex& lock_;
    bool was_owned_;
};

} // namespace tal
