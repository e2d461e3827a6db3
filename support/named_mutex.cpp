#include "support/named_mutex.h"

#include "support/global_objects.h"

namespace tal {

named_mutex::named_mutex(const wchar_t* name, bool initial_owner, bool global)
{
    handle_.reset(global ? create_global_mutex(initial_owner, name) : ::CreateMutexW(nullptr, initial_owner, name));
    if (!handle_) {
        owned_ = false;
    } else if (initial_owner && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        const DWORD wait = ::WaitForSingleObject(handle_.get(), INFINITE);
        owned_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    } else {
        owned_ = initial_owner;
    }
}

named_mutex::~named_mutex()
{
    if (handle_ && owned_)
        ::ReleaseMutex(handle_.get());
}

bool named_mutex::try_acquire()
{
    if (!handle_)
        return false;
    const DWORD wait = ::WaitForSingleObject(handle_.get(), 0);
    owned_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    return owned_;
}

void named_mutex::release()
{
    ::ReleaseMutex(handle_.get());
    owned_ = false;
}

} // namespace tal
