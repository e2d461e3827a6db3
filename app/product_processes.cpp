#include "app/product_processes.h"

#include <windows.h>
#include <tlhelp32.h>

#include "holders/handles.h"

namespace {

constexpr const wchar_t* program_image = L"Vantrel.exe";
constexpr const wchar_t* installer_prefix = L"InstallVantrel";

} // namespace

bool is_product_family_image(const std::wstring& image, const std::wstring& own_image)
{
    const std::wstring prefix = installer_prefix;
    return ::lstrcmpiW(image.c_str(), program_image) == 0
           || (!own_image.empty() && ::lstrcmpiW(image.c_str(), own_image.c_str()) == 0)
           || (image.size() >= prefix.size()
               && ::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, image.c_str(), static_cast<int>(prefix.size()),
                                   prefix.c_str(), static_cast<int>(prefix.size()))
                      == CSTR_EQUAL);
}

bool product_family_process_alive(const std::wstring& own_image)
{
    const tal::unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return true;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    const DWORD self = ::GetCurrentProcessId();
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID != self && is_product_family_image(entry.szExeFile, own_image))
            return true;
    }
    return ::GetLastError() != ERROR_NO_MORE_FILES;
}
