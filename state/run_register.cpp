#include "state/run_register.h"

#include <cwchar>

#include "holders/handles.h"
#include "support/registry.h"

namespace {

// Volume serial number and file index of a folder (not a link to one); empty when it is
// not there or not a plain folder.
std::wstring folder_identity(const std::wstring& folder)
{
    const tal::unique_hfile handle(::CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                                 nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!handle || !::GetFileInformationByHandle(handle.get(), &information)
        || !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        || (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return {};
    wchar_t text[32] = {};
    std::swprintf(text, 32, L"%08lX%08lX%08lX", static_cast<unsigned long>(information.dwVolumeSerialNumber),
                  static_cast<unsigned long>(information.nFileIndexHigh),
                  static_cast<unsigned long>(information.nFileIndexLow));
    return text;
}

bool is_empty_key(HKEY parent, const std::wstring& path)
{
    const tal::unique_hkey key = tal::open_key(parent, path.c_str(), KEY_READ);
    return key && tal::key_is_empty(key.get());
}

} // namespace

DWORD record_run_folder(const std::wstring& key, const std::wstring& folder)
{
    const std::wstring identity = folder_identity(folder);
    if (identity.empty())
        return ::GetLastError() == ERROR_SUCCESS ? ERROR_DIRECTORY : ::GetLastError();
    const tal::unique_hkey runs = tal::create_key(HKEY_LOCAL_MACHINE, key.c_str(), KEY_SET_VALUE | KEY_QUERY_VALUE);
    if (!runs)
        return ::GetLastError();
    if (const LSTATUS status = ::RegSetValueExW(runs.get(), folder.c_str(), 0, REG_SZ,
                                                reinterpret_cast<const BYTE*>(identity.c_str()),
                                                static_cast<DWORD>((identity.size() + 1) * sizeof(wchar_t)));
        status != ERROR_SUCCESS)
        return static_cast<DWORD>(status);
    // The record must outlast a power cut that comes before the run's first change.
    return static_cast<DWORD>(::RegFlushKey(runs.get()));
}

void forget_run_folder(const std::wstring& key, const std::wstring& folder)
{
    if (const tal::unique_hkey runs = tal::open_key(HKEY_LOCAL_MACHINE, key.c_str(), KEY_SET_VALUE))
        ::RegDeleteValueW(runs.get(), folder.c_str());
    // The key and the ones made for it, up to the first that holds anything else.
    std::wstring path = key;
    while (path.find(L'\\') != std::wstring::npos && is_empty_key(HKEY_LOCAL_MACHINE, path)) {
        if (::RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str()) != ERROR_SUCCESS)
            break;
        path.erase(path.rfind(L'\\'));
    }
}

recorded_runs read_recorded_runs(const std::wstring& key)
{
    recorded_runs runs;
    const tal::unique_hkey list = tal::open_key(HKEY_LOCAL_MACHINE, key.c_str(), KEY_QUERY_VALUE);
    if (!list)
        return runs;
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384] = {};
        wchar_t identity[64] = {};
        DWORD name_size = 16384, type = 0, size = sizeof identity - sizeof(wchar_t);
        const LSTATUS status = ::RegEnumValueW(list.get(), index, name, &name_size, nullptr, &type,
                                               reinterpret_cast<BYTE*>(identity), &size);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        const bool same = status == ERROR_SUCCESS && type == REG_SZ && folder_identity(name) == identity
                          && identity[0] != L'\0';
        (same ? runs.folders : runs.gone).push_back(name);
    }
    return runs;
}
