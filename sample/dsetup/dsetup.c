/* A stand-in for the DirectX runtime's setup library, which the installer cannot ship: the
   same three entry points, a version record of its own, and a setup that reports progress
   through the callback and succeeds. The build makes variants for the tests through
   DSETUP_VERSION, DSETUP_REVISION and DSETUP_RESULT; with DSETUP_COMPANION the setup's result
   comes from a companion DLL that the library imports, as the real one imports its own. */
#include <windows.h>

#ifndef DSETUP_VERSION
#define DSETUP_VERSION 0x40009
#endif
#ifndef DSETUP_REVISION
#define DSETUP_REVISION 0x387
#endif
#ifndef DSETUP_RESULT
#define DSETUP_RESULT 0
#endif

#ifdef DSETUP_COMPANION
__declspec(dllimport) int DirectXSetupCompanionResult(void);
#endif

typedef DWORD(WINAPI* setup_callback)(DWORD, DWORD, LPSTR, LPSTR, void*);

static setup_callback callback;

__declspec(dllexport) BOOL WINAPI DirectXSetupGetVersion(DWORD* version, DWORD* revision)
{
    if (version)
        *version = DSETUP_VERSION;
    if (revision)
        *revision = DSETUP_REVISION;
    return TRUE;
}

__declspec(dllexport) int WINAPI DirectXSetupSetCallback(setup_callback function)
{
    callback = function;
    return 0;
}

__declspec(dllexport) int WINAPI DirectXSetupW(HWND parent, LPWSTR source, DWORD flags)
{
    (void)parent;
    (void)source;
    (void)flags;
    /* Reason 18: progress; the caller keeps its window alive meanwhile. */
    for (int step = 0; step < 3; ++step) {
        if (callback)
            callback(18, 0, "", "", NULL);
        Sleep(10);
    }
#ifdef DSETUP_COMPANION
    return DirectXSetupCompanionResult();
#else
    return DSETUP_RESULT;
#endif
}
