// Test helper: a program built on the framework's entry point. Its exit code tells how the
// application object was driven. app_probe quit N: InitInstance returns TRUE and posts a quit
// with code N; otherwise InitInstance returns FALSE and the code is 40 + calls of InitInstance.
#include <windows.h>

#include <cstdlib>
#include <cwchar>

#include "framework/winapp.h"

namespace {

class probe_app : public CWinApp {
public:
    probe_app() : CWinApp(L"probe") {}

    BOOL InitInstance() override
    {
        ++calls;
        if (__argc >= 3 && std::wcscmp(__wargv[1], L"quit") == 0) {
            ::PostQuitMessage(std::wcstol(__wargv[2], nullptr, 10));
            return TRUE;
        }
        return FALSE;
    }
    int ExitInstance() override { return calls == 1 && !quit_requested() ? 40 + calls : CWinApp::ExitInstance(); }

private:
    static bool quit_requested() { return __argc >= 2 && std::wcscmp(__wargv[1], L"quit") == 0; }
    int calls = 0;
};

probe_app app;

} // namespace
