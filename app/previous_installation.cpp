#include "app/previous_installation.h"

#include <windows.h>
#include <shlwapi.h>

#include "state/journal.h"
#include "support/version_info.h"

namespace {

std::wstring uninstall_key(const std::wstring& key_name)
{
    return std::wstring(uninstall_key_parent) + L"\\" + key_name;
}

// "Uninstall.ulog" in the folder of `file`, if it exists.
std::wstring log_beside(const std::wstring& file)
{
    if (file.empty() || file.size() >= MAX_PATH)
        return {};
    wchar_t path[MAX_PATH];
    ::lstrcpynW(path, file.c_str(), MAX_PATH);
    if (!::PathRemoveFileSpecW(path) || !::PathAppendW(path, L"Uninstall.ulog") || !::PathFileExistsW(path))
        return {};
    return path;
}

} // namespace

installed_product FindInstalledProduct(const std::wstring& key_name)
{
    installed_product product;
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, uninstall_key(key_name).c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS)
        return product;
    ::RegCloseKey(raw);
    product.found = true;
    wchar_t icon[MAX_PATH] = {};
    DWORD size = sizeof icon;
    if (::SHGetValueW(HKEY_LOCAL_MACHINE, uninstall_key(key_name).c_str(), L"DisplayIcon", nullptr, icon, &size)
        == ERROR_SUCCESS) {
        product.executable = icon;
        const std::size_t comma = product.executable.rfind(L",0");
        if (comma != std::wstring::npos && comma + 2 == product.executable.size())
            product.executable.erase(comma);
    }
    return product;
}

int CompareInstalledVersion(std::uint64_t installed, std::uint64_t ours)
{
    if (installed == 0 || installed == ours)
        return 1;
    return ours > installed ? 2 : -1;
}

std::wstring FindPreviousLog(const std::wstring& key_name, const std::wstring& executable)
{
    wchar_t uninstaller[MAX_PATH] = {};
    DWORD size = sizeof uninstaller;
    if (::SHGetValueW(HKEY_LOCAL_MACHINE, uninstall_key(key_name).c_str(), L"UninstallString", nullptr, uninstaller,
                      &size) == ERROR_SUCCESS) {
        const std::wstring beside = log_beside(uninstaller);
        if (!beside.empty())
            return beside;
    }
    return log_beside(executable);
}

previous_installation DetectPreviousInstallation(const std::wstring& key_name, std::uint64_t ours,
                                                 InstallJournal& journal)
{
    previous_installation result;
    const installed_product product = FindInstalledProduct(key_name);
    result.executable = product.executable;
    if (product.found) {
        tal::version_info version;
        version.request = tal::version_info::everything;
        if (!product.executable.empty() && !tal::read_version_info(version, product.executable.c_str()))
            result.version_unreadable = true;
        result.state = CompareInstalledVersion(version.version, ours);
        if (result.state == 2 || result.state == -1)
            result.title = version.title;
    }
    if (result.state == 1 || result.state == 2) {
        const std::wstring log = FindPreviousLog(key_name, product.executable);
        if (!log.empty())
            journal.ReadLog(log.c_str());
        else
            journal.ReadLog(nullptr);
    } else {
        journal.ReadLog(nullptr);
    }
    return result;
}
