#include "state/journal.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "holders/handles.h"
#include "support/security.h"

namespace {

// The Part of Windows that this code must work with keeps paths in MAX_PATH buffers; a path
// that does not fit is refused rather than cut to name something else.
bool fits(const std::wstring& path)
{
    return path.size() < MAX_PATH;
}

void restore_attributes(const std::wstring& path, DWORD attributes)
{
    if (attributes != INVALID_FILE_ATTRIBUTES)
        ::SetFileAttributesW(path.c_str(), attributes);
}

void delete_file(const std::wstring& path)
{
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
}

void restore_key(const std::wstring& key_name, const std::wstring& backup)
{
    tal::set_privilege(SE_RESTORE_NAME, true);
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, uninstall_key_parent, 0, KEY_ALL_ACCESS, &raw) == ERROR_SUCCESS) {
        const tal::unique_hkey uninstall(raw);
        if (!backup.empty()) {
            HKEY product = nullptr;
            if (::RegOpenKeyExW(uninstall.get(), key_name.c_str(), 0, KEY_ALL_ACCESS, &product) == ERROR_SUCCESS) {
                const tal::unique_hkey key(product);
                ::RegRestoreKeyW(key.get(), backup.c_str(), 0);
            }
            delete_file(backup);
        } else {
            ::SHDeleteKeyW(uninstall.get(), key_name.c_str());
        }
    }
    tal::set_privilege(SE_RESTORE_NAME, false);
}

} // namespace

InstallJournal::InstallJournal(std::wstring product_title, std::wstring product_key_name)
    : product_title_(std::move(product_title)), product_key_name_(std::move(product_key_name))
{
}

JournalEntry& InstallJournal::append(journal_kind kind, std::wstring path, bool succeeded, std::uint32_t value)
{
    current_entries.push_back({kind, std::move(path), {}, succeeded, value, {}});
    return current_entries.back();
}

void InstallJournal::RecordFile(const std::wstring& path, std::uint32_t value, bool copy)
{
    entry_open = true;
    if (!fits(path)) {
        append(journal_kind::file, path, false, value);
        return; // no folders and no backup for a path that no call can take
    }
    wchar_t folder[MAX_PATH];
    ::lstrcpynW(folder, path.c_str(), MAX_PATH);
    ::PathRemoveFileSpecW(folder);
    CreateFolders(folder);
    JournalEntry& entry = append(journal_kind::file, path, false, value);
    if (::PathFileExistsW(path.c_str()))
        entry.backup = MakeBackup(path.c_str(), copy);
}

void InstallJournal::BeginShortcut(int which, const std::wstring& folder)
{
    entry_open = true;
    CreateFolders(folder);
    const journal_kind kind = which == 0   ? journal_kind::program_shortcut
                              : which == 1 ? journal_kind::uninstaller_shortcut
                                           : journal_kind::desktop_shortcut;
    JournalEntry& entry = append(kind, {}, false, 0xFFFFFFFFu);
    for (const JournalEntry& previous : previous_entries) {
        if (previous.kind != kind)
            continue;
        // The previous installation's shortcut is moved away; a rollback brings it back to
        // where it was, not to the new shortcut's place.
        if (!previous.path.empty() && ::PathFileExistsW(previous.path.c_str())) {
            entry.backup = MakeBackup(previous.path.c_str(), false);
            if (!entry.backup.empty())
                entry.backup_origin = previous.path;
        }
        break;
    }
}

void InstallJournal::BeginUninstallKey(HKEY existing)
{
    entry_open = true;
    JournalEntry& entry = append(journal_kind::uninstall_key, {}, false, 0xFFFFFFFFu);
    if (!existing)
        return;
    entry.backup = MakeBackup(nullptr, false);
    if (entry.backup.empty())
        return;
    tal::set_privilege(SE_BACKUP_NAME, true);
    if (::RegSaveKeyW(existing, entry.backup.c_str(), nullptr) != ERROR_SUCCESS) {
        delete_file(entry.backup);
        entry.backup.clear();
    }
    tal::set_privilege(SE_BACKUP_NAME, false);
}

void InstallJournal::BeginRegistration()
{
    entry_open = true;
    append(journal_kind::registration, {}, false, 0xFFFFFFFFu);
}

void InstallJournal::BeginDirectXUpdate()
{
    entry_open = true;
    append(journal_kind::directx_update, {}, false, 0xFFFFFFFFu);
}

void InstallJournal::CloseEntry(bool succeeded, const wchar_t* text)
{
    if (!entry_open)
        return;
    entry_open = false;
    JournalEntry& newest = current_entries.back();
    newest.succeeded = succeeded;
    if (text)
        newest.path = text;
}

bool InstallJournal::WasInstalled(const std::wstring& path) const
{
    for (const JournalEntry& entry : previous_entries) {
        if (entry.kind == journal_kind::file && entry.succeeded && entry.path == path)
            return true;
    }
    return false;
}

void InstallJournal::CreateFolders(const std::wstring& folder)
{
    if (!fits(folder))
        return; // nothing can be created there
    wchar_t buffer[MAX_PATH];
    ::lstrcpynW(buffer, folder.c_str(), MAX_PATH);
    // From the first folder below the root, each folder on the way down to `folder`.
    const wchar_t* p = ::PathFindNextComponentW(buffer);
    if (p)
        p = ::PathFindNextComponentW(p);
    while (p) {
        const std::ptrdiff_t offset = p - buffer;
        if (*p)
            *::CharPrevW(buffer, buffer + offset) = L'\0';
        if (!::PathIsDirectoryW(buffer)) {
            if (!::CreateDirectoryW(buffer, nullptr))
                return;
            ::SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHW | SHCNF_FLUSH, buffer, nullptr);
            append(journal_kind::folder, buffer, true, 0xFFFFFFFFu);
        }
        ::lstrcpynW(buffer, folder.c_str(), MAX_PATH);
        p = ::PathFindNextComponentW(buffer + offset);
    }
}

void InstallJournal::Rollback()
{
    while (!current_entries.empty()) {
        const JournalEntry& entry = current_entries.back();
        switch (entry.kind) {
        case journal_kind::folder: ::RemoveDirectoryW(entry.path.c_str()); break;
        case journal_kind::uninstall_key: restore_key(product_key_name_, entry.backup); break;
        case journal_kind::registration:
        case journal_kind::directx_update: break;
        default:
            delete_file(entry.path);
            if (!entry.backup.empty()) {
                const std::wstring& target = entry.backup_origin.empty() ? entry.path : entry.backup_origin;
                const DWORD attributes = ::GetFileAttributesW(entry.backup.c_str());
                ::SetFileAttributesW(entry.backup.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (::MoveFileW(entry.backup.c_str(), target.c_str()))
                    restore_attributes(target, attributes);
            }
            break;
        }
        current_entries.pop_back();
    }
    entry_open = false;
}

void InstallJournal::DeleteBackups()
{
    for (JournalEntry& entry : current_entries) {
        if (entry.backup.empty())
            continue;
        delete_file(entry.backup);
        entry.backup.clear();
    }
}

std::wstring MakeBackup(const wchar_t* path, bool copy)
{
    wchar_t temp[MAX_PATH];
    const DWORD length = ::GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length > 246)
        return {};
    wchar_t name[MAX_PATH];
    if (!::GetTempFileNameW(temp, L"tal", 0, name))
        return {};
    ::DeleteFileW(name); // only the unique name is wanted
    if (!path)
        return name;
    if (!fits(path))
        return {};

    const DWORD attributes = ::GetFileAttributesW(path);
    ::SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    if (copy) {
        if (::CopyFileW(path, name, FALSE)) {
            restore_attributes(path, attributes);
            restore_attributes(name, attributes);
            return name;
        }
    } else if (::MoveFileW(path, name)) {
        restore_attributes(name, attributes);
        return name;
    }
    restore_attributes(path, attributes);
    return {};
}
