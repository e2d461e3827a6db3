// Test helper: holds a file open with no sharing, as another program would, for a while.
// hold_file PATH EVENT MILLISECONDS: opens PATH, signals the named EVENT, then waits.
#include <windows.h>

#include <cwchar>

#include "support/handles.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4)
        return 2;
    const tal::unique_hfile file(::CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 3;
    const tal::unique_handle ready(::OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]));
    if (!ready || !::SetEvent(ready.get()))
        return 4;
    ::Sleep(static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)));
    return 0;
}
