// Stands in for the product in the slow installer's payload: a program whose registration does
// not end while a test holds the event below, as a product hanging in its registration would.
// Without the event it ends at once as the product does after registering.
#include <windows.h>

#include <cwchar>

#include "holders/handles.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command, int)
{
    constexpr int registered_code = -10;
    if (!std::wcsstr(command, L"/Register"))
        return 0;
    const tal::unique_handle held(::OpenEventW(SYNCHRONIZE, FALSE, L"VantrelTest.RegistrationHeld"));
    if (held)
        ::WaitForSingleObject(held.get(), INFINITE);
    return registered_code;
}
