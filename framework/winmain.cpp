// The program's entry point: it constructs nothing itself; the application object, built
// during static initialisation, is started once.
#include "framework/winapp.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    app->m_hInstance = instance;
    if (!app->InitInstance())
        return app->ExitInstance();
    return app->Run();
}
