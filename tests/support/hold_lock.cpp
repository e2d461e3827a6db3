// Test helper: another installer holding the installer lock.
// hold_lock READY QUIT NAME: takes the global mutex NAME, sets READY, waits for QUIT, releases.
#include <windows.h>

#include "helper_main.h"
#include "support/named_mutex.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4)
        return 2;
    const test::helper_events events(argv[1], argv[2]);
    tal::named_mutex lock(argv[3], false, true);
    if (!events.ok() || !lock.try_acquire())
        return 3;
    events.signal_ready();
    events.wait_for_quit();
    return 0;
}
