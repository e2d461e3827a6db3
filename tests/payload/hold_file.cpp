// Test helper: holds a file open with no sharing, as another program would.
// hold_file READY QUIT PATH MILLISECONDS: opens PATH, sets READY, then keeps the file until
// QUIT is set or the time has passed.
#include <windows.h>

#include <cwchar>

#include "helper_main.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 5)
        return 2;
    const test::helper_events events(argv[1], argv[2]);
    const tal::unique_hfile file(::CreateFileW(argv[3], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!events.ok() || !file)
        return 3;
    events.signal_ready();
    const tal::unique_handle quit(::OpenEventW(SYNCHRONIZE, FALSE, argv[2]));
    ::WaitForSingleObject(quit.get(), static_cast<DWORD>(std::wcstoul(argv[4], nullptr, 10)));
    return 0;
}
