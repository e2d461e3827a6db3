#include "app/default_folders.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "app/product.h"
#include "support/system_info.h"

namespace {

// `base` with "Marrowin" and the product key name appended, as PathAppendW joins them.
std::wstring product_folder(const std::wstring& base, const std::wstring& key_name)
{
    wchar_t path[MAX_PATH + 1] = {};
    ::lstrcpynW(path, base.c_str(), MAX_PATH + 1);
    ::PathAppendW(path, product_publisher);
    ::PathAppendW(path, key_name.c_str());
    return path;
}

std::optional<std::wstring> shell_folder(int csidl)
{
    wchar_t path[MAX_PATH + 1] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE))
        return std::nullopt;
    return std::wstring(path);
}

} // namespace

namespace details {

std::wstring default_install_folder(const std::optional<std::wstring>& program_files,
                                    const std::optional<std::wstring>& registry_value,
                                    const std::wstring& windows_folder, const std::wstring& key_name)
{
    if (program_files)
        return product_folder(*program_files, key_name);
    if (registry_value)
        return product_folder(*registry_value, key_name);
    wchar_t root[MAX_PATH + 1] = {};
    ::lstrcpynW(root, windows_folder.c_str(), MAX_PATH + 1);
    ::PathStripToRootW(root);
    ::PathAppendW(root, L"Program Files");
    return product_folder(root, key_name);
}

} // namespace details

std::wstring DefaultInstallFolder()
{
    std::optional<std::wstring> registry_value;
    wchar_t value[MAX_PATH + 1] = {};
    DWORD size = sizeof value;
    if (::SHGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir", nullptr,
                      value, &size) == ERROR_SUCCESS)
        registry_value = value;
    wchar_t windows[261] = {};
    tal::system_windows_directory(windows);
    return details::default_install_folder(shell_folder(CSIDL_PROGRAM_FILES), registry_value, windows,
                                           GetProductKeyName());
}

std::wstring DefaultStartMenuFolder()
{
    std::optional<std::wstring> programs = shell_folder(CSIDL_COMMON_PROGRAMS);
    if (!programs)
        programs = shell_folder(CSIDL_PROGRAMS).value_or(L"");
    return product_folder(*programs, GetProductKeyName());
}
