// The uninstall log: UTF-16LE with a byte-order mark, CR LF line ends, six header lines, then
// one "NNNN:KKVV:F -- TEXT" line per entry. The product's uninstaller reads it too, so its
// bytes are fixed.
#include <shlwapi.h>

#include <cwchar>

#include "state/journal.h"
#include "state/journal_file.h"
#include "state/file_log_source.h"
#include "state/log_reader.h"
#include "holders/handles.h"

namespace {

constexpr DWORD log_attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// What the reader can take back: a longer line would be cut, so it is not written.
constexpr std::size_t longest_line = state::log_line_buffer_size / sizeof(wchar_t);

bool write_line(HANDLE file, const std::wstring& text)
{
    const std::wstring line = text + L"\r\n";
    if (line.size() > longest_line)
        return false;
    DWORD written = 0;
    const auto bytes = static_cast<DWORD>(line.size() * sizeof(wchar_t));
    return ::WriteFile(file, line.data(), bytes, &written, nullptr) && written == bytes;
}

std::wstring entry_line(std::size_t position, const JournalEntry& entry)
{
    wchar_t prefix[48];
    std::swprintf(prefix, 48, L"%04zu:%04x:%c -- ", position,
                  static_cast<unsigned>(static_cast<int>(entry.kind) * 256 + (entry.value & 0xFF)),
                  entry.succeeded ? L'1' : L'0');
    return prefix + entry.path;
}

} // namespace

void InstallJournal::merge_previous_entries()
{
    // Newest previous entry first, each kept one put in front of the oldest current entry,
    // so that the kept ones end up in their old order before this run's entries.
    while (!previous_entries.empty()) {
        auto previous = std::prev(previous_entries.end());
        const bool by_path = previous->kind == journal_kind::folder || previous->kind == journal_kind::file;
        const auto covers = [&previous, by_path](const JournalEntry& current, bool same_text) {
            if (current.kind != previous->kind)
                return false;
            if (!by_path)
                return true;
            return same_text ? current.path == previous->path : SamePath(current.path, previous->path);
        };
        // Mostly the same text: looked for first, since comparing two files' identities costs
        // two opens and, under Wine, milliseconds (a reinstallation's merge took ~1 s).
        bool covered = false;
        for (const bool same_text : {true, false}) {
            for (const JournalEntry& current : current_entries) {
                if (covers(current, same_text)) {
                    covered = true;
                    break;
                }
            }
            if (covered || !by_path)
                break;
        }
        if (covered)
            previous_entries.erase(previous);
        else
            current_entries.splice(current_entries.begin(), previous_entries, previous);
    }
}

bool InstallJournal::WriteLog(const std::wstring& log_path, const std::wstring& install_folder,
                              const std::wstring& start_menu_folder)
{
    merge_previous_entries();
    // A run that dies while the log is written gets the log it replaced back.
    std::wstring replaced;
    if (journal_file_) {
        if (::GetFileAttributesW(log_path.c_str()) != INVALID_FILE_ATTRIBUTES)
            replaced = MakeBackup(backup_folder_, log_path.c_str(), true);
        journal_file_->Log(log_path, replaced);
    }
    ::SetFileAttributesW(log_path.c_str(), FILE_ATTRIBUTE_NORMAL);
    bool result = false;
    {
        tal::unique_hfile file(::CreateFileW(log_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            const unsigned char bom[2] = {0xFF, 0xFE};
            DWORD written = 0;
            result = ::WriteFile(file.get(), bom, 2, &written, nullptr) && written == 2;

            std::wstring title = L"Install " + product_title_;
            if (!previous_title.empty())
                title += L" -- Update (" + previous_title + L")";
            const std::wstring shortcut_line = L"Shortcut Path : " + start_menu_folder;
            const std::wstring header[] = {L"Uninstall Log File v1",
                                           L"############ WARNING: Do not delete or modify this file. ############",
                                           title,
                                           L"Install Path : " + install_folder,
                                           shortcut_line,
                                           std::wstring(shortcut_line.size(), L'-')};
            for (const std::wstring& line : header)
                result = write_line(file.get(), L"// " + line) && result;

            // Positions count the lines written, so that a refused line leaves no gap.
            std::size_t position = 0;
            for (JournalEntry& entry : current_entries) {
                if (entry.kind == journal_kind::uninstall_key)
                    entry.path = L"HKEY_LOCAL_MACHINE\\" + std::wstring(uninstall_key_parent) + L"\\" + product_key_name_;
                else if (entry.kind == journal_kind::registration)
                    entry.path = L"HKEY_CLASSES_ROOT\\...";
                if (write_line(file.get(), entry_line(position, entry)))
                    ++position;
                else
                    result = false;
            }
            // The log is on disk before the record that commits the run to it.
            if (journal_file_ && result && !::FlushFileBuffers(file.get()))
                result = false;
            file.reset();
            ::SetFileAttributesW(log_path.c_str(), log_attributes);
        }
    }

    // The installation is complete: nothing will be restored any more.
    if (journal_file_ && result)
        journal_file_->Commit();
    if (!replaced.empty()) {
        ::SetFileAttributesW(replaced.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(replaced.c_str());
    }
    DeleteBackups();
    return result;
}

void InstallJournal::ReadLog(const wchar_t* log_path)
{
    previous_install_folder.clear();
    previous_shortcut_folder.clear();
    if (!log_path)
        return;
    const tal::unique_hfile file(::CreateFileW(log_path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    state::file_log_source source(file.get());
    const state::log_reader_hooks hooks{state::ansi_to_wide,
                                        [](const std::wstring& folder) { return ::PathIsDirectoryW(folder.c_str()) != FALSE; }};
    state::log_record record;
    state::read_log_record(source, hooks, record);

    if (record.title_read)
        previous_title = record.title;
    previous_install_folder = record.install_folder;
    previous_shortcut_folder = record.shortcut_folder;
    for (state::log_record_entry& read : record.entries) {
        JournalEntry entry;
        entry.kind = static_cast<journal_kind>(read.kind);
        entry.value = read.value;
        entry.succeeded = read.succeeded;
        if (entry.kind != journal_kind::uninstall_key && entry.kind != journal_kind::registration)
            entry.path = std::move(read.text);
        previous_entries.push_back(std::move(entry));
    }
}
