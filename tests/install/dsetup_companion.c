/* The stand-in setup library's companion DLL, "dsetup32.dll": it tells the library which copy
   of it was loaded through the setup's result (DSETUP_COMPANION_RESULT). */
#include <windows.h>

#ifndef DSETUP_COMPANION_RESULT
#define DSETUP_COMPANION_RESULT 0
#endif

__declspec(dllexport) int DirectXSetupCompanionResult(void)
{
    return DSETUP_COMPANION_RESULT;
}
