#include "support/private_library.h"

namespace tal {

bool library_search_flags_supported()
{
    // kernel32 is always mapped; the flags came with AddDllDirectory.
    const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    return kernel32 && ::GetProcAddress(kernel32, "AddDllDirectory");
}

HMODULE load_private_library(const std::wstring& path)
{
    std::wstring full = path;
    for (wchar_t& c : full) {
        if (c == L'/')
            c = L'\\';
    }
    // A bare or relative name would be looked for along the search path, the installer's
    // folder first.
    const bool absolute = (full.size() >= 3 && full[1] == L':' && full[2] == L'\\')
                          || (full.size() >= 2 && full[0] == L'\\' && full[1] == L'\\');
    if (!absolute) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (library_search_flags_supported()) {
        const HMODULE module =
            ::LoadLibraryExW(full.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
        // A system that has the entry point but not the flags refuses them as a parameter.
        if (module || ::GetLastError() != ERROR_INVALID_PARAMETER)
            return module;
    }
    return ::LoadLibraryW(full.c_str());
}

} // namespace tal
