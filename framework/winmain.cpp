// The program's entry point: it constructs nothing itself; the application object, built
// during static initialisation, is started once.
#include "framework/winapp.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    app->m_hInstance = instance;
    static wchar_t no_arguments[] = L"";
    app->m_lpCmdLine = commandLine ? commandLine : no_arguments;
    if (!app->InitInstance())
        return app->ExitInstance();
    return app->Run();
}
