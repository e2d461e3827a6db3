#include "app/default_folders.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "app/product.h"
#include "support/path.h"
#include "support/registry.h"
#include "support/system_info.h"

namespace {

// `base` with "Marrowin" and the product key name appended.
std::wstring product_folder(const std::wstring& base, const std::wstring& key_name)
{
    return tal::append_path(tal::append_path(base, product_publisher), key_name);
}

std::optional<std::wstring> shell_folder(int csidl)
{
    wchar_t path[MAX_PATH + 1] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE))
        return std::nullopt;
    return std::wstring(path);
}

} // namespace

std::wstring default_install_folder(const std::optional<std::wstring>& program_files,
                                    const std::optional<std::wstring>& registry_value,
                                    const std::wstring& windows_folder, const std::wstring& key_name)
{
    if (program_files)
        return product_folder(*program_files, key_name);
    if (registry_value)
        return product_folder(*registry_value, key_name);
    return product_folder(tal::append_path(tal::path_root(windows_folder), L"Program Files"), key_name);
}

std::wstring DefaultInstallFolder()
{
    const std::optional<std::wstring> registry_value =
        tal::read_string(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir");
    wchar_t windows[261] = {};
    tal::system_windows_directory(windows);
    return default_install_folder(shell_folder(CSIDL_PROGRAM_FILES), registry_value, windows, GetProductKeyName());
}

std::wstring DefaultStartMenuFolder()
{
    std::optional<std::wstring> programs = shell_folder(CSIDL_COMMON_PROGRAMS);
    if (!programs)
        programs = shell_folder(CSIDL_PROGRAMS).value_or(L"");
    return product_folder(*programs, GetProductKeyName());
}
