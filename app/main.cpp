// The installer's entry point. The application object and its startup sequence are built on
// this executable; for now it carries its manifest, version record and payload.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return 0;
}
