#include "support/dll_search.h"

#include <windows.h>

namespace tal {

bool restrict_dll_search() noexcept
{
    using set_default_dll_directories = BOOL(WINAPI*)(DWORD flags);
    // Looked up rather than imported: a static import would stop the installer from starting
    // on the systems that lack it.
    const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    const auto set_default = kernel32 ? reinterpret_cast<set_default_dll_directories>(reinterpret_cast<void*>(
                                            ::GetProcAddress(kernel32, "SetDefaultDllDirectories")))
                                      : nullptr;
    if (set_default && set_default(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return true;
    ::SetDllDirectoryW(L"");
    return false;
}

} // namespace tal
