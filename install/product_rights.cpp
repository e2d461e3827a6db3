#include "install/product_rights.h"

#include <shlobj.h>

#include <iterator>

#include "holders/handles.h"
#include "state/journal.h"
#include "state/uninstall_scope.h"
#include "support/protected_descriptor.h"

namespace {

// ERROR_REPARSE_POINT_ENCOUNTERED, which these headers lack.
constexpr DWORD error_reparse_point_encountered = 4395;

std::wstring shell_folder(int csidl)
{
    // The shell writes at most MAX_PATH characters here.
    wchar_t path[MAX_PATH + 1] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return {};
    return path;
}

bool same_folder(const std::wstring& a, const std::wstring& b)
{
    const state::scope_decision decision = state::decide_scope(a, {{b, b, L""}});
    return decision.verdict == state::scope_verdict::inside && decision.checked.empty();
}

// Sets a protected DACL on the file or folder itself, never on what a link points to.
DWORD set_rights(const std::wstring& path, const tal::security_descriptor_block& descriptor)
{
    // Asked by path too: Wine shows a link only there, not on the opened handle.
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return error_reparse_point_encountered;
    const tal::unique_hfile object(::CreateFileW(path.c_str(), READ_CONTROL | WRITE_DAC | FILE_READ_ATTRIBUTES,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                 OPEN_EXISTING,
                                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!object)
        return ::GetLastError();
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(object.get(), &information))
        return ::GetLastError();
    if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return error_reparse_point_encountered;
    return tal::set_protected_dacl(object.get(), descriptor);
}

template <class Make>
DWORD set_rights_made_by(const std::wstring& path, Make make)
{
    try {
        return set_rights(path, make());
    } catch (long error) {
        // The descriptor's builders throw the HRESULT of a Win32 error.
        const auto code = static_cast<DWORD>(error);
        return (code & 0xFFFF0000u) == 0x80070000u ? code & 0xFFFFu : code;
    }
}

} // namespace

std::vector<std::wstring> ProgramFilesFolders()
{
    std::vector<std::wstring> folders;
    for (const int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86}) {
        std::wstring folder = shell_folder(csidl);
        if (!folder.empty())
            folders.push_back(std::move(folder));
    }
    // A 32-bit program is shown the 32-bit folder; the native one is named here.
    wchar_t native[MAX_PATH + 1] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"ProgramW6432", native, MAX_PATH + 1);
    if (length > 0 && length <= MAX_PATH)
        folders.emplace_back(native, length);
    return folders;
}

bool IsBelowProgramFiles(const std::wstring& folder, const std::vector<std::wstring>& program_folders)
{
    for (const std::wstring& program_files : program_folders) {
        if (state::decide_scope(folder, {{program_files, program_files, L""}}).verdict == state::scope_verdict::inside)
            return true;
    }
    return false;
}

DWORD SecureInstallFolder(const std::wstring& folder)
{
    return set_rights_made_by(folder, tal::program_folder_descriptor);
}

DWORD SecureNewInstallFolder(const InstallJournal& journal, std::size_t entries_before, const std::wstring& folder)
{
    if (entries_before >= journal.current_entries.size())
        return ERROR_SUCCESS;
    for (auto entry = std::next(journal.current_entries.begin(), static_cast<std::ptrdiff_t>(entries_before));
         entry != journal.current_entries.end(); ++entry) {
        if (entry->kind == journal_kind::folder && same_folder(entry->path, folder)) {
            if (IsBelowProgramFiles(folder, ProgramFilesFolders()))
                return ERROR_SUCCESS; // it inherits Program Files' own rights
            return SecureInstallFolder(folder);
        }
    }
    return ERROR_SUCCESS;
}

DWORD SecureUninstallLog(const std::wstring& path)
{
    return set_rights_made_by(path, tal::read_only_file_descriptor);
}
