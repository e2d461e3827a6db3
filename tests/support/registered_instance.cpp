// Test helper: a process of the product family, registered in the running-instance counter
// during its static initialisation. registered_instance READY QUIT
#include <windows.h>

#include "helper_main.h"
#include "support/counted_semaphore.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3)
        return 2;
    const test::helper_events events(argv[1], argv[2]);
    if (!events.ok() || !tal::running_instance_registered())
        return 3;
    events.signal_ready();
    events.wait_for_quit();
    return 0;
}
