#pragma once
// The record of every change an installation run makes, with the backups that undo them,
// and what the previous installation's uninstall log said.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <list>
#include <string>
#include <utility>

enum class journal_kind : int {
    folder = 0,
    file = 1,
    program_shortcut = 2,
    uninstaller_shortcut = 3,
    desktop_shortcut = 4,
    uninstall_key = 5,
    registration = 6,
    directx_update = 7,
};

// The value of every entry that is not a file: no archive kind (-1 in the log).
inline constexpr std::uint32_t no_archive_kind = 0xFFFFFFFFu;

class JournalFile;

struct JournalEntry {
    journal_kind kind = journal_kind::folder;
    std::wstring path;   // folder or file; a DirectX entry's status text; empty for key and registration
    std::wstring backup; // temporary file holding what this entry replaced, or empty
    bool succeeded = false;
    std::uint32_t value = no_archive_kind; // a file entry's archive kind
    // Where the file that was there before the run lies when that is not `path` (a previous
    // installation's shortcut): a rollback puts its backup back there.
    std::wstring backup_origin;

    // What the run found, for its rollback only; the log does not hold it. A file that existed
    // is never deleted unless its backup takes its place (unknown counts as existing).
    bool existed = false;
    DWORD attributes_before = INVALID_FILE_ATTRIBUTES;
    // The backup is a copy and the file itself stayed in place (a user's file kept as it is).
    bool backup_is_copy = false;
};

class InstallJournal {
public:
    // `product_title` is the product name with its version ("Vantrel 7.05a"), written in the
    // log's header; `product_key_name` names the product's Uninstall key ("Vantrel 7").
    InstallJournal(std::wstring product_title, std::wstring product_key_name);

    void RecordFile(const std::wstring& path, std::uint32_t value, bool copy);
    // which: 0 the program's Start-menu shortcut, 1 the uninstaller's, anything else the desktop's.
    void BeginShortcut(int which, const std::wstring& folder);
    // `existing` is the product's key when it existed before the run (it is saved), else null.
    void BeginUninstallKey(HKEY existing);
    void BeginRegistration();
    void BeginDirectXUpdate();
    // Gives the open entry its outcome and, when `text` is given, its path.
    void CloseEntry(bool succeeded, const wchar_t* text = nullptr);
    bool WasInstalled(const std::wstring& path) const;
    // Creates the missing folders of `folder`, each recorded before anything inside it. False
    // when a folder could not be created or the path does not fit MAX_PATH.
    bool CreateFolders(const std::wstring& folder);
    // Undoes this run's entries, newest first, and forgets them.
    void Rollback();
    // Deletes every backup of this run's entries: what they replaced will not be restored any
    // more. Safe to call again.
    void DeleteBackups();
    // The folder that backups and saved keys go to from now on; empty for where MakeBackup
    // puts them by itself. The run gives its own protected folder.
    void SetBackupFolder(std::wstring folder) { backup_folder_ = std::move(folder); }
    const std::wstring& backup_folder() const noexcept { return backup_folder_; }
    // The file that every change is recorded in before it is made, or null. Not owned.
    void SetJournalFile(JournalFile* file) noexcept { journal_file_ = file; }
    // Records, before it is made, the path the open entry is about to create (a shortcut).
    void NoteEntryPath(const std::wstring& path);
    // Records that the product's Uninstall key is about to be opened or created.
    void NoteUninstallKeyOpening();

    // Writes the journal, merged with the previous log's entries, as the uninstall log, then
    // deletes every backup. True when the file was created and every write succeeded.
    bool WriteLog(const std::wstring& log_path, const std::wstring& install_folder,
                  const std::wstring& start_menu_folder);
    // Fills the previous-installation fields from a log; with no path only clears the folders.
    void ReadLog(const wchar_t* log_path);

    const std::wstring& product_key_name() const noexcept { return product_key_name_; }

    std::wstring previous_install_folder;
    std::wstring previous_shortcut_folder;
    std::list<JournalEntry> previous_entries; // in the previous log's order
    std::list<JournalEntry> current_entries;  // oldest first
    bool entry_open = false;
    std::wstring previous_title;

private:
    JournalEntry& append(journal_kind kind, std::wstring path, bool succeeded, std::uint32_t value);
    void merge_previous_entries();
    // What tells the journal file about a backup about to be moved there; empty without a file.
    std::function<void(const std::wstring&)> record_move(const std::wstring& origin);
    void record_key(HKEY existing);

    std::wstring product_title_;
    std::wstring product_key_name_;
    std::wstring backup_folder_;
    JournalFile* journal_file_ = nullptr;
};

// A fresh temporary name ("tal….tmp") for what `path` holds: a copy of it, or the file itself
// moved there, with its attributes; with no path just the name. Empty when no backup could
// be made. The name lies in TEMP, or in the Windows folder's Temp when TEMP is too long to
// hold one.
std::wstring MakeBackup(const wchar_t* path, bool copy);
// The same with the name in `folder`; with an empty folder as above. A folder too long to
// name a file in gives no backup rather than one elsewhere.
// `before_move`, when given, is told the backup's name before the file is moved there.
std::wstring MakeBackup(const std::wstring& folder, const wchar_t* path, bool copy,
                        const std::function<void(const std::wstring&)>& before_move = {});

// The path identity test of the log merge: the same elements, the same file, or the same
// absolute path compared without regard to case.
bool SamePath(const std::wstring& a, const std::wstring& b);

// The Uninstall key's parent, below HKEY_LOCAL_MACHINE.
inline constexpr const wchar_t* uninstall_key_parent = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
