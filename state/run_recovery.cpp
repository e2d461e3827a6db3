#include "state/run_recovery.h"

#include <shlwapi.h>

#include <list>
#include <vector>

#include "holders/handles.h"
#include "state/journal.h"
#include "state/journal_file.h"
#include "support/path.h"
#include "support/registry.h"
#include "support/security.h"

namespace {

bool missing(const std::wstring& path)
{
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool delete_file(const std::wstring& path)
{
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::DeleteFileW(path.c_str()) || missing(path);
}

std::string from_hex(const std::wstring& hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::wcstoul(hex.substr(i, 2).c_str(), nullptr, 16));
    return bytes;
}

struct saved_value {
    std::wstring name;
    DWORD type = REG_NONE;
    std::string data;
};

// What a journal file says the run did.
struct interrupted_run {
    bool committed = false;
    std::list<JournalEntry> entries;
    bool key_opening = false;
    bool key_recorded = false;
    bool key_existed = false;
    std::vector<saved_value> values;
    std::wstring log_path;
    std::wstring log_backup;
};

bool is_file_kind(journal_kind kind)
{
    return kind == journal_kind::file || kind == journal_kind::program_shortcut
           || kind == journal_kind::uninstaller_shortcut || kind == journal_kind::desktop_shortcut;
}

interrupted_run read_run(const std::vector<JournalRecord>& records)
{
    interrupted_run run;
    for (const JournalRecord& record : records) {
        const std::vector<std::wstring>& f = record.fields;
        JournalEntry* newest = run.entries.empty() ? nullptr : &run.entries.back();
        switch (record.tag) {
        case journal_tag::folder: {
            JournalEntry entry;
            entry.kind = journal_kind::folder;
            entry.path = f[0];
            entry.succeeded = true;
            run.entries.push_back(std::move(entry));
            break;
        }
        case journal_tag::entry: {
            JournalEntry entry;
            entry.kind = static_cast<journal_kind>(std::wcstol(f[0].c_str(), nullptr, 10));
            if (!is_file_kind(entry.kind))
                break;
            entry.existed = f[1] == L"1";
            entry.attributes_before = std::wcstoul(f[2].c_str(), nullptr, 16);
            entry.path = f[3];
            run.entries.push_back(std::move(entry));
            break;
        }
        case journal_tag::backup:
            // A backup that is not there was never made: the file it names stayed in place.
            if (newest && newest->kind != journal_kind::folder && !missing(f[2])) {
                newest->existed = true;
                newest->backup_is_copy = f[0] == L"1";
                if (f[1] != newest->path)
                    newest->backup_origin = f[1];
                newest->backup = f[2];
            }
            break;
        case journal_tag::entry_path:
            if (newest && newest->kind != journal_kind::folder)
                newest->path = f[0];
            break;
        case journal_tag::key_opening: run.key_opening = true; break;
        case journal_tag::key_value:
            run.values.push_back({f[0], static_cast<DWORD>(std::wcstoul(f[1].c_str(), nullptr, 10)), from_hex(f[2])});
            break;
        case journal_tag::key:
            run.key_recorded = true;
            run.key_existed = f[0] == L"1";
            break;
        case journal_tag::log:
            run.log_path = f[0];
            run.log_backup = f[1];
            break;
        case journal_tag::commit: run.committed = true; break;
        }
    }
    return run;
}

DWORD delete_product_key(HKEY uninstall, const std::wstring& name)
{
    const LSTATUS status = ::SHDeleteKeyW(uninstall, name.c_str());
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : static_cast<DWORD>(status);
}

// The product's key as the run found it: its values put back, or the key it made removed.
// RegRestoreKeyW is not used: the values are in the journal itself.
DWORD restore_key(const interrupted_run& run, const std::wstring& key_name)
{
    if (!run.key_recorded && !run.key_opening)
        return ERROR_SUCCESS;
    const tal::unique_hkey uninstall = tal::open_key(HKEY_LOCAL_MACHINE, uninstall_key_parent, KEY_ALL_ACCESS);
    if (!uninstall)
        return ::GetLastError();
    if (!run.key_recorded) {
        // Opened or made, not yet written: a key the run made is empty, one that existed is not.
        const tal::unique_hkey product = tal::open_key(uninstall.get(), key_name.c_str(), KEY_READ);
        return product && tal::key_is_empty(product.get()) ? delete_product_key(uninstall.get(), key_name)
                                                           : ERROR_SUCCESS;
    }
    if (!run.key_existed)
        return delete_product_key(uninstall.get(), key_name);
    const tal::unique_hkey product = tal::create_key(uninstall.get(), key_name.c_str(), KEY_ALL_ACCESS);
    if (!product)
        return ::GetLastError();
    for (;;) {
        wchar_t name[16384] = {};
        DWORD size = 16384;
        const LSTATUS status = ::RegEnumValueW(product.get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS)
            return static_cast<DWORD>(status);
        if (const LSTATUS deleted = ::RegDeleteValueW(product.get(), name); deleted != ERROR_SUCCESS)
            return static_cast<DWORD>(deleted);
    }
    for (const saved_value& value : run.values) {
        const LSTATUS status =
            ::RegSetValueExW(product.get(), value.name.c_str(), 0, value.type,
                             reinterpret_cast<const BYTE*>(value.data.data()), static_cast<DWORD>(value.data.size()));
        if (status != ERROR_SUCCESS)
            return static_cast<DWORD>(status);
    }
    return ERROR_SUCCESS;
}

// The uninstall log as it was: the one it replaced back in place, or none.
DWORD restore_log(const interrupted_run& run)
{
    if (run.log_path.empty())
        return ERROR_SUCCESS;
    if (!run.log_backup.empty() && !missing(run.log_backup)) {
        const DWORD attributes = ::GetFileAttributesW(run.log_backup.c_str());
        ::SetFileAttributesW(run.log_backup.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::SetFileAttributesW(run.log_path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!::MoveFileExW(run.log_backup.c_str(), run.log_path.c_str(), MOVEFILE_REPLACE_EXISTING))
            return ::GetLastError();
        ::SetFileAttributesW(run.log_path.c_str(), attributes);
        return ERROR_SUCCESS;
    }
    return delete_file(run.log_path) ? ERROR_SUCCESS : ::GetLastError();
}

// Whether the rollback left every file entry as the run found it.
DWORD check_entries(const std::list<JournalEntry>& entries)
{
    for (const JournalEntry& entry : entries) {
        if (!is_file_kind(entry.kind) || entry.path.empty())
            continue;
        if (!entry.backup.empty()) {
            if (!missing(entry.backup) && !entry.backup_is_copy)
                return ERROR_SHARING_VIOLATION;
        } else if (!entry.existed && !missing(entry.path)) {
            return ERROR_SHARING_VIOLATION;
        }
    }
    return ERROR_SUCCESS;
}

// A folder itself, not a link to one.
bool is_plain_folder(const std::wstring& folder)
{
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
           && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

} // namespace

bool delete_folder_tree(const std::wstring& folder)
{
    WIN32_FIND_DATAW found{};
    const tal::unique_hfind search(::FindFirstFileW(tal::append_path(folder, L"*").c_str(), &found));
    if (search) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = tal::append_path(folder, name);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                    ::RemoveDirectoryW(path.c_str()); // the link only
                else
                    delete_folder_tree(path);
            } else {
                delete_file(path);
            }
        } while (::FindNextFileW(search.get(), &found));
    }
    ::SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_DIRECTORY);
    return ::RemoveDirectoryW(folder.c_str()) || missing(folder);
}

run_recovery recover_run(const std::wstring& folder, const std::wstring& product_key_name, DWORD& error)
{
    error = ERROR_SUCCESS;
    if (!is_plain_folder(folder))
        return run_recovery::not_a_run;
    std::string bytes;
    {
        // A live run keeps its journal open for writing, which this open does not share.
        const tal::unique_hfile journal(::CreateFileW(journal_file_path(folder).c_str(), GENERIC_READ,
                                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!journal) {
            const DWORD why = ::GetLastError();
            if (why == ERROR_SHARING_VIOLATION)
                return run_recovery::live;
            if (why != ERROR_FILE_NOT_FOUND) {
                error = why;
                return run_recovery::failed;
            }
            // The journal goes first when a run ends: what is left are its temporary files.
            if (!delete_folder_tree(folder)) {
                error = ::GetLastError();
                return run_recovery::failed;
            }
            return run_recovery::ended;
        }
        char buffer[64 * 1024];
        DWORD got = 0;
        while (::ReadFile(journal.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
            bytes.append(buffer, got);
    }
    interrupted_run run = read_run(parse_journal(bytes));
    if (run.committed) {
        delete_folder_tree(folder);
        return run_recovery::committed;
    }
    // The log lies in a folder the run may have made: it goes first, like every file before
    // its folder.
    error = restore_log(run);
    if (const DWORD key = restore_key(run, product_key_name); error == ERROR_SUCCESS)
        error = key;
    InstallJournal journal(L"", product_key_name);
    journal.current_entries = run.entries;
    journal.Rollback();
    if (error == ERROR_SUCCESS)
        error = check_entries(run.entries);
    if (error != ERROR_SUCCESS)
        return run_recovery::failed;
    if (!delete_folder_tree(folder)) {
        error = ::GetLastError();
        return run_recovery::failed;
    }
    return run_recovery::undone;
}
