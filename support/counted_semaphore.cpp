#include "support/counted_semaphore.h"

#include "support/global_objects.h"
#include "support/object_names.h"

namespace tal {
namespace {

// Constructed right before the registration and destroyed after everything built later, so
// that this process's unit is taken back at exit.
counted_semaphore running_instances __attribute__((init_priority(102)));
bool registered = false;

struct registration {
    registration() { registered = register_running_instance(); }
};
const registration register_at_start __attribute__((init_priority(102), used));

} // namespace

counted_semaphore::~counted_semaphore()
{
    if (balance_ > 0) {
        take(balance_);
    } else if (balance_ < 0) {
        if (::ReleaseSemaphore(handle_.get(), -balance_, nullptr))
            balance_ = 0;
    }
}

bool counted_semaphore::give(LONG n)
{
    if (!handle_ || !::ReleaseSemaphore(handle_.get(), n, nullptr))
        return false;
    balance_ += n;
    return true;
}

bool counted_semaphore::take(LONG n)
{
    for (LONG taken = 0; taken < n; ++taken) {
        if (::WaitForSingleObject(handle_.get(), 0) != WAIT_OBJECT_0) {
            if (taken > 0)
                ::ReleaseSemaphore(handle_.get(), taken, nullptr);
            return false;
        }
    }
    balance_ -= n;
    return true;
}

bool register_running_instance()
{
    running_instances.reset(create_global_semaphore(0, 0x7FFFFFFF, running_instance_counter_name));
    return running_instances.give(1);
}

bool running_instance_registered() noexcept
{
    return registered;
}

unsigned running_instance_count()
{
    LONG previous = 0;
    if (!::ReleaseSemaphore(running_instances.handle(), 1, &previous))
        return 0;
    ::WaitForSingleObject(running_instances.handle(), 0);
    return static_cast<unsigned>(previous);
}

} // namespace tal
