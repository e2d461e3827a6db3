#pragma once
// The journal of a run on disk, so that a run whose process dies can still be undone by the
// next installer: one record a line, each written before the change it names.
#include <windows.h>

#include <string>
#include <vector>

#include "holders/handles.h"

enum class journal_kind : int;

// The record kinds, by the letter that starts their line.
enum class journal_tag : char {
    folder = 'D',      // a folder about to be created: path
    entry = 'E',       // a file or shortcut entry opened: kind, existed, attributes before, path
    backup = 'B',      // the newest entry's backup: copy, origin, backup
    entry_path = 'P',  // the newest entry's path, about to be created: path
    key_opening = 'N', // the product's Uninstall key about to be opened or created
    key_value = 'V',   // a value of the product's key as it was: name, type, data in hexadecimal
    key = 'K',         // the product's key about to be written: existed (its values recorded before)
    log = 'L',         // the uninstall log about to be written: path, copy of the log it replaces or empty
    commit = 'C',      // the uninstall log is written: the run is complete
};

struct JournalRecord {
    journal_tag tag = journal_tag::commit;
    std::vector<std::wstring> fields;
};

// One complete line of the file: the tag, its fields after tabs, "\n"; UTF-8. Control
// characters and '%' in a field are written as %XX.
std::string journal_line(journal_tag tag, const std::vector<std::wstring>& fields);
// The records of a file's bytes. A line without its "\n" (cut short by a power cut) and a line
// that is not a known record of the right size are left out.
std::vector<JournalRecord> parse_journal(const std::string& bytes);

// The journal file of the run folder `folder`.
std::wstring journal_file_path(const std::wstring& folder);

class JournalFile {
public:
    JournalFile() = default;
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;

    // Creates the journal file in the run's folder: ERROR_SUCCESS or the error. The file stays
    // open without write sharing while the run lives, which tells a later installer that the
    // run is not over.
    DWORD Create(const std::wstring& folder);
    // Closes and deletes the file: the run is over, committed or rolled back.
    void Remove() noexcept;
    bool is_open() const noexcept { return static_cast<bool>(file_); }

    void Folder(const std::wstring& path);
    void Entry(journal_kind kind, bool existed, DWORD attributes, const std::wstring& path);
    // Written and flushed before a file is moved away; after the copy when it is a copy.
    void Backup(bool copy, const std::wstring& origin, const std::wstring& backup);
    void EntryPath(const std::wstring& path);
    void KeyOpening();
    void KeyValue(const std::wstring& name, DWORD type, const std::string& data);
    void Key(bool existed);
    void Log(const std::wstring& path, const std::wstring& backup);
    void Commit();

    // False once a record could not be written.
    bool good() const noexcept { return good_; }

private:
    void Write(journal_tag tag, const std::vector<std::wstring>& fields, bool flush);

    tal::unique_hfile file_;
    std::wstring path_;
    bool good_ = true;
};
