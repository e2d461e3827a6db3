#include "state/journal.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <vector>

#include "holders/handles.h"
#include "state/journal_file.h"
#include "support/path.h"
#include "support/registry.h"
#include "support/security.h"
#include "support/temporary_folder.h"

namespace {

// GetTempFileNameW takes a folder of at most MAX_PATH - 14 characters, so that the name it
// makes below it ("talXXXX.tmp") still fits.
constexpr std::size_t longest_temp_folder = tal::max_path - 14;

void restore_attributes(const std::wstring& path, DWORD attributes)
{
    if (attributes != INVALID_FILE_ATTRIBUTES)
        ::SetFileAttributesW(path.c_str(), attributes);
}

// Deletes a file whatever its attributes; a file that stays keeps the ones it had.
bool delete_file(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (::DeleteFileW(path.c_str()))
        return true;
    restore_attributes(path, attributes);
    return false;
}

// Moves a backup back to `target` with the attributes it was saved with; a backup that
// cannot go back keeps them too.
void restore_backup(const std::wstring& backup, const std::wstring& target)
{
    const DWORD attributes = ::GetFileAttributesW(backup.c_str());
    ::SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_NORMAL);
    restore_attributes(::MoveFileW(backup.c_str(), target.c_str()) ? target : backup, attributes);
}

// The attributes of what `path` names, and whether anything is there. A path that cannot be
// asked about (too long, access denied) counts as naming something, so that it is never
// taken for a file of this run.
bool exists(const std::wstring& path, DWORD& attributes)
{
    attributes = INVALID_FILE_ATTRIBUTES;
    if (!tal::fits_max_path(path))
        return true;
    attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return true;
    const DWORD error = ::GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

// True when both files can be read and hold the same bytes with the same attributes.
bool same_file_contents(const std::wstring& a, const std::wstring& b)
{
    const DWORD attributes = ::GetFileAttributesW(a.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || attributes != ::GetFileAttributesW(b.c_str()))
        return false;
    const tal::unique_hfile first(
        ::CreateFileW(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    const tal::unique_hfile second(
        ::CreateFileW(b.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!first || !second)
        return false;
    std::vector<char> x(64 * 1024), y(64 * 1024);
    for (;;) {
        DWORD got_x = 0, got_y = 0;
        if (!::ReadFile(first.get(), x.data(), static_cast<DWORD>(x.size()), &got_x, nullptr)
            || !::ReadFile(second.get(), y.data(), static_cast<DWORD>(y.size()), &got_y, nullptr) || got_x != got_y
            || !std::equal(x.begin(), x.begin() + got_x, y.begin()))
            return false;
        if (got_x == 0)
            return true;
    }
}

// Undoes a file or shortcut entry. What existed before the run is deleted only when its
// backup takes its place; without a backup it stays, with the attributes it had.
void roll_back_file(const JournalEntry& entry)
{
    const std::wstring& origin = entry.backup_origin.empty() ? entry.path : entry.backup_origin;
    if (entry.backup.empty()) {
        if (!entry.existed) {
            delete_file(entry.path);
            return;
        }
        if (origin != entry.path && !SamePath(origin, entry.path))
            delete_file(entry.path); // a new file beside the one that could not be moved away
        const DWORD now = ::GetFileAttributesW(origin.c_str());
        if (now != INVALID_FILE_ATTRIBUTES && entry.attributes_before != INVALID_FILE_ATTRIBUTES
            && now != entry.attributes_before)
            ::SetFileAttributesW(origin.c_str(), entry.attributes_before);
        return;
    }
    if (entry.backup_is_copy && same_file_contents(entry.path, entry.backup)) {
        delete_file(entry.backup); // the file was not touched: it stays as it is
        return;
    }
    delete_file(entry.path);
    restore_backup(entry.backup, origin);
}

void restore_key(const std::wstring& key_name, const std::wstring& backup)
{
    const tal::enabled_privilege restore(SE_RESTORE_NAME);
    const tal::unique_hkey uninstall = tal::open_key(HKEY_LOCAL_MACHINE, uninstall_key_parent, KEY_ALL_ACCESS);
    if (!uninstall)
        return;
    if (backup.empty()) {
        ::SHDeleteKeyW(uninstall.get(), key_name.c_str());
        return;
    }
    if (const tal::unique_hkey product = tal::open_key(uninstall.get(), key_name.c_str(), KEY_ALL_ACCESS))
        ::RegRestoreKeyW(product.get(), backup.c_str(), 0);
    delete_file(backup);
}

// The folder that backups are named in when none is given: TEMP, or the Windows folder's Temp
// when TEMP is too long for GetTempFileNameW. Empty when neither can be named.
std::wstring default_backup_folder()
{
    const std::wstring temp = tal::system_temporary_folder();
    if (!temp.empty() && temp.size() <= longest_temp_folder)
        return temp;
    const std::wstring windows = tal::windows_folder();
    const std::wstring fallback = windows.empty() ? std::wstring() : tal::append_path(windows, L"Temp");
    return fallback.size() <= longest_temp_folder ? fallback : std::wstring();
}

} // namespace

InstallJournal::InstallJournal(std::wstring product_title, std::wstring product_key_name)
    : product_title_(std::move(product_title)), product_key_name_(std::move(product_key_name))
{
}

JournalEntry& InstallJournal::append(journal_kind kind, std::wstring path, bool succeeded, std::uint32_t value)
{
    JournalEntry entry;
    entry.kind = kind;
    entry.path = std::move(path);
    entry.succeeded = succeeded;
    entry.value = value;
    current_entries.push_back(std::move(entry));
    return current_entries.back();
}

std::function<void(const std::wstring&)> InstallJournal::record_move(const std::wstring& origin)
{
    if (!journal_file_)
        return {};
    return [this, origin](const std::wstring& backup) { journal_file_->Backup(false, origin, backup); };
}

// The key's values as they are, then the record that it is about to be written; a key that
// is new gets only that record.
void InstallJournal::record_key(HKEY existing)
{
    DWORD longest_name = 0, largest_data = 0;
    if (existing
        && ::RegQueryInfoKeyW(existing, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longest_name,
                              &largest_data, nullptr, nullptr)
               == ERROR_SUCCESS) {
        for (DWORD index = 0;; ++index) {
            DWORD name_size = longest_name, data_size = largest_data;
            std::wstring name(name_size + 1, L'\0');
            std::string data(data_size, '\0');
            DWORD type = 0;
            ++name_size;
            if (::RegEnumValueW(existing, index, name.data(), &name_size, nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &data_size) != ERROR_SUCCESS)
                break;
            name.resize(name_size);
            data.resize(data_size);
            journal_file_->KeyValue(name, type, data);
        }
    }
    journal_file_->Key(existing != nullptr);
}

void InstallJournal::NoteEntryPath(const std::wstring& path)
{
    if (journal_file_ && entry_open)
        journal_file_->EntryPath(path);
}

void InstallJournal::NoteUninstallKeyOpening()
{
    if (journal_file_)
        journal_file_->KeyOpening();
}

void InstallJournal::RecordFile(const std::wstring& path, std::uint32_t value, bool copy)
{
    entry_open = true;
    CreateFolders(tal::remove_file_spec(path));
    JournalEntry& entry = append(journal_kind::file, path, false, value);
    entry.existed = exists(path, entry.attributes_before);
    if (journal_file_)
        journal_file_->Entry(entry.kind, entry.existed, entry.attributes_before, path);
    // A path too long for the calls gets no backup (MakeBackup refuses it) and is then left
    // alone by a rollback.
    if (entry.existed) {
        entry.backup = MakeBackup(backup_folder_, path.c_str(), copy, record_move(path));
        entry.backup_is_copy = copy && !entry.backup.empty();
        if (entry.backup_is_copy && journal_file_)
            journal_file_->Backup(true, path, entry.backup);
    }
}

void InstallJournal::BeginShortcut(int which, const std::wstring& folder)
{
    entry_open = true;
    CreateFolders(folder);
    const journal_kind kind = which == 0   ? journal_kind::program_shortcut
                              : which == 1 ? journal_kind::uninstaller_shortcut
                                           : journal_kind::desktop_shortcut;
    JournalEntry& entry = append(kind, {}, false, no_archive_kind);
    if (journal_file_)
        journal_file_->Entry(kind, false, INVALID_FILE_ATTRIBUTES, {});
    for (const JournalEntry& previous : previous_entries) {
        if (previous.kind != kind)
            continue;
        // The previous installation's shortcut is moved away; a rollback brings it back to
        // where it was, not to the new shortcut's place.
        if (!previous.path.empty() && exists(previous.path, entry.attributes_before)) {
            entry.existed = true;
            entry.backup_origin = previous.path;
            entry.backup = MakeBackup(backup_folder_, previous.path.c_str(), false, record_move(previous.path));
        }
        break;
    }
}

void InstallJournal::BeginUninstallKey(HKEY existing)
{
    entry_open = true;
    JournalEntry& entry = append(journal_kind::uninstall_key, {}, false, no_archive_kind);
    if (journal_file_)
        record_key(existing);
    if (!existing)
        return;
    entry.backup = MakeBackup(backup_folder_, nullptr, false);
    if (entry.backup.empty())
        return;
    const tal::enabled_privilege backup(SE_BACKUP_NAME);
    if (::RegSaveKeyW(existing, entry.backup.c_str(), nullptr) != ERROR_SUCCESS) {
        delete_file(entry.backup);
        entry.backup.clear();
    }
}

void InstallJournal::BeginRegistration()
{
    entry_open = true;
    append(journal_kind::registration, {}, false, no_archive_kind);
}

void InstallJournal::BeginDirectXUpdate()
{
    entry_open = true;
    append(journal_kind::directx_update, {}, false, no_archive_kind);
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

bool InstallJournal::CreateFolders(const std::wstring& folder)
{
    std::wstring whole = folder;
    while (whole.size() > 1 && (whole.back() == L'\\' || whole.back() == L'/'))
        whole.pop_back();
    if (whole.empty() || !tal::fits_max_path(whole))
        return false; // nothing can be created there
    // Each folder on the way down to `folder`, from the first one below its first element
    // (the drive, or the server and share of a UNC path).
    const bool unc = whole.rfind(L"\\\\", 0) == 0;
    std::size_t at = whole.find_first_of(L"\\/", unc ? 2 : 0);
    if (unc && at != std::wstring::npos)
        at = whole.find_first_of(L"\\/", at + 1);
    while (at != std::wstring::npos) {
        at = whole.find_first_of(L"\\/", at + 1);
        const std::wstring part = whole.substr(0, at);
        const DWORD attributes = ::GetFileAttributesW(part.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        if (journal_file_)
            journal_file_->Folder(part);
        if (!::CreateDirectoryW(part.c_str(), nullptr))
            return false;
        // The shell learns of the folder without the run waiting for it to take notice.
        ::SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHW | SHCNF_FLUSHNOWAIT, part.c_str(), nullptr);
        append(journal_kind::folder, part, true, no_archive_kind);
    }
    return true;
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
        default: roll_back_file(entry); break;
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
    return MakeBackup(std::wstring(), path, copy);
}

std::wstring MakeBackup(const std::wstring& given_folder, const wchar_t* path, bool copy,
                        const std::function<void(const std::wstring&)>& before_move)
{
    if (path && !tal::fits_max_path(path))
        return {};
    const std::wstring folder = given_folder.empty() ? default_backup_folder() : given_folder;
    if (folder.empty() || folder.size() > longest_temp_folder)
        return {};
    std::wstring name(tal::max_path, L'\0');
    if (!::GetTempFileNameW(folder.c_str(), L"tal", 0, name.data()))
        return {};
    name.resize(name.find(L'\0'));
    ::DeleteFileW(name.c_str()); // only the unique name is wanted
    if (!path)
        return name;

    if (!copy && before_move)
        before_move(name);
    const DWORD attributes = ::GetFileAttributesW(path);
    ::SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    if (copy) {
        if (::CopyFileW(path, name.c_str(), FALSE)) {
            restore_attributes(path, attributes);
            restore_attributes(name, attributes);
            return name;
        }
    } else if (::MoveFileW(path, name.c_str())) {
        restore_attributes(name, attributes);
        return name;
    }
    restore_attributes(path, attributes);
    return {};
}
