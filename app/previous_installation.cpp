#include "app/previous_installation.h"

#include <windows.h>
#include <shlwapi.h>

#include "state/journal.h"
#include "support/path.h"
#include "support/registry.h"
#include "support/version_info.h"

namespace {

std::wstring uninstall_key(const std::wstring& key_name)
{
    return std::wstring(uninstall_key_parent) + L"\\" + key_name;
}

// "Uninstall.ulog" in the folder of `file`, if it exists.
std::wstring log_beside(const std::wstring& file)
{
    if (file.empty())
        return {};
    const std::wstring folder = tal::remove_file_spec(file);
    if (folder == file)
        return {};
    const std::wstring log = tal::append_path(folder, L"Uninstall.ulog");
    if (!tal::fits_max_path(log) || !::PathFileExistsW(log.c_str()))
        return {};
    return log;
}

// The program of a command line as the Uninstall key holds it: a quoted path without its
// quotes (and whatever follows them), else the whole text.
std::wstring command_program(const std::wstring& command)
{
    if (command.empty() || command.front() != L'"')
        return command;
    const std::size_t end = command.find(L'"', 1);
    return command.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1);
}

} // namespace

installed_product FindInstalledProduct(const std::wstring& key_name)
{
    installed_product product;
    const tal::unique_hkey key = tal::open_key(HKEY_LOCAL_MACHINE, uninstall_key(key_name).c_str(), KEY_READ);
    if (!key)
        return product;
    product.found = true;
    if (std::optional<std::wstring> icon = tal::read_string(key.get(), nullptr, L"DisplayIcon")) {
        product.executable = std::move(*icon);
        const std::size_t comma = product.executable.rfind(L",0");
        if (comma != std::wstring::npos && comma + 2 == product.executable.size())
            product.executable.erase(comma);
    }
    return product;
}

int CompareInstalledVersion(std::uint64_t installed, std::uint64_t ours)
{
    if (installed == 0 || installed == ours)
        return PREVIOUS_SAME_VERSION;
    return ours > installed ? PREVIOUS_OLDER_VERSION : PREVIOUS_NEWER_VERSION;
}

std::wstring FindPreviousLog(const std::wstring& key_name, const std::wstring& executable)
{
    if (const std::optional<std::wstring> uninstaller =
            tal::read_string(HKEY_LOCAL_MACHINE, uninstall_key(key_name).c_str(), L"UninstallString")) {
        const std::wstring beside = log_beside(command_program(*uninstaller));
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
        if (!product.executable.empty() && !tal::read_version_info(version, product.executable.c_str())) {
            result.version_unreadable = true;
            result.version_error = ::GetLastError();
        }
        result.state = CompareInstalledVersion(version.version, ours);
        if (result.state == PREVIOUS_OLDER_VERSION || result.state == PREVIOUS_NEWER_VERSION)
            result.title = version.title;
    }
    if (result.state == PREVIOUS_SAME_VERSION || result.state == PREVIOUS_OLDER_VERSION) {
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
