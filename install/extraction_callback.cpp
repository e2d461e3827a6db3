#include "install/extraction_callback.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cmath>

#include "app/localized_strings.h"
#include "app/message_keys.h"
#include "app/previous_installation.h"
#include "install/product_rights.h"
#include "payload/compress_error.h"
#include "payload/extract.h"
#include "payload/file_error.h"
#include "payload/plain_path.h"
#include "payload/platform.h"
#include "state/journal.h"
#include "support/message_pump.h"
#include "support/path.h"
#include "support/security.h"

namespace {

using payload::entry_kind;
using result = payload::notification::result;

// Modify without execute: for the local Users group on the shared data files, for the
// installing user on the files in their own profile.
constexpr DWORD users_access = FILE_GENERIC_READ | FILE_GENERIC_WRITE | DELETE;
static_assert(users_access == 0x13019F);

// The engine tells its progress every 4 KB piece, thousands of times a second, and an empty
// look at the queue costs as much as decoding a piece: between pieces the window is served
// once per screen refresh, which is as often as anybody can see or click.
constexpr std::chrono::milliseconds piece_serve_interval{16};

bool is(const payload::archive_entry& entry, entry_kind kind)
{
    return entry.kind == static_cast<std::uint32_t>(kind);
}

} // namespace

int ProgressPercent(std::uint64_t done, std::uint64_t total)
{
    if (total == 0)
        return 0;
    int percent = static_cast<int>(std::floor(static_cast<double>(done) / static_cast<double>(total) * 100.0 + 0.5));
    if (percent == 100 && done < total)
        percent = 99;
    return percent;
}

tal::sid_kind DataFileGrantee(const std::wstring& root, const std::wstring& user_data_folder)
{
    const auto trimmed = [](std::wstring path) {
        while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/'))
            path.pop_back();
        return path;
    };
    const std::wstring a = trimmed(root), b = trimmed(user_data_folder);
    if (!a.empty() && ::lstrcmpiW(a.c_str(), b.c_str()) == 0)
        return tal::sid_kind::token_user;
    return tal::sid_kind::users;
}

bool IsLinkFault(const std::error_code& code)
{
    return code == payload::platform::link_fault_code(payload::link_fault::linked_file)
           || code == payload::platform::link_fault_code(payload::link_fault::hard_linked_file);
}

std::wstring StepOutcome(bool succeeded)
{
    return LoadLocalizedString(succeeded ? MSG_STEP_OK : MSG_STEP_FAILED) + L"\r\n";
}

result ExtractionCallback::operator()(payload::notification n)
{
    result answer = result::proceed;
    switch (n.kind) {
    case payload::notification::started: answer = OnStarted(); break;
    case payload::notification::finished: answer = OnFinished(); break;
    case payload::notification::file_begin: answer = OnFileBegin(*n.entry); break;
    case payload::notification::file_end: answer = OnFileEnd(*n.entry); break;
    case payload::notification::progress: answer = OnProgress(n.bytes_done, n.bytes_total); break;
    case payload::notification::error: answer = OnError(n.code); break;
    }
    ServeWindow(n.kind == payload::notification::progress);
    return answer;
}

void ExtractionCallback::ServeWindow(bool piece)
{
    const auto now = std::chrono::steady_clock::now();
    if (piece && now - m_lastServed < piece_serve_interval)
        return;
    tal::PumpMessages();
    m_lastServed = now;
}

result ExtractionCallback::OnStarted()
{
    m_report.SetStatus(LoadLocalizedString(MSG_PREPARING));
    m_report.AppendLog(LoadLocalizedString(MSG_PREPARING), false);
    if (!m_payload.Sound())
        payload::raise(payload::compress_errc::archive_damaged);
    m_report.AppendLog(StepOutcome(true), false);
    return result::proceed;
}

result ExtractionCallback::OnFinished()
{
    return result::proceed;
}

result ExtractionCallback::OnFileBegin(const payload::archive_entry& entry)
{
    InstallJournal& journal = m_state.journal;
    const std::wstring& path = entry.destination;
    if (is(entry, entry_kind::shared_data) && m_state.settings.previousState == PREVIOUS_OLDER_VERSION)
        return result::skip;
    const std::wstring text = FormatLocalizedMessage(MSG_COPYING_FILE, {tal::quote_spaces(path)});
    CheckPlainPath(entry, text);
    bool copy = false;
    if (is(entry, entry_kind::program)) {
        m_state.programPath = path;
    } else if (is(entry, entry_kind::uninstaller)) {
        m_state.uninstallerPath = path;
    } else if (is(entry, entry_kind::user_data)) {
        // The user's own files are never overwritten.
        copy = true;
        if (m_state.settings.previousState != PREVIOUS_NONE && journal.WasInstalled(path)) {
            GrantAccess(entry);
            return result::skip;
        }
        if (::PathFileExistsW(path.c_str())) {
            journal.RecordFile(path, entry.kind, true);
            journal.CloseEntry(true);
            GrantAccess(entry);
            return result::skip;
        }
    } else if (is(entry, entry_kind::redistributable)) {
        m_state.temporary.files.push_back(path);
    }
    if (!is(entry, entry_kind::redistributable)) {
        const std::size_t entries_before = journal.current_entries.size();
        journal.RecordFile(path, entry.kind, copy);
        // A folder made where every user may write would be theirs too; a volume without
        // rights (FAT) keeps it as it is.
        SecureNewInstallFolder(journal, entries_before, m_state.settings.installFolder);
    }
    m_report.SetStatusPath(text);
    m_report.AppendLog(text, false);
    return result::proceed;
}

result ExtractionCallback::OnFileEnd(const payload::archive_entry& entry)
{
    if (is(entry, entry_kind::user_data))
        GrantAccess(entry);
    if (!is(entry, entry_kind::redistributable))
        m_state.journal.CloseEntry(true);
    m_report.AppendLog(StepOutcome(true), false);
    return result::proceed;
}

void ExtractionCallback::CheckPlainPath(const payload::archive_entry& entry, const std::wstring& text)
{
    try {
        payload::check_plain_below(entry.root, entry.destination);
    } catch (...) {
        // The file's line is shown, so that the failure that ends it names the file.
        m_report.SetStatusPath(text);
        m_report.AppendLog(text, false);
        throw;
    }
}

void ExtractionCallback::GrantAccess(const payload::archive_entry& entry)
{
    payload::platform::unique_file file;
    try {
        file = payload::platform::open_plain_file(entry.destination, READ_CONTROL | WRITE_DAC | FILE_READ_ATTRIBUTES);
    } catch (const payload::file_error& e) {
        if (IsLinkFault(e.code()))
            throw;
        return; // a grant that fails leaves the file as it is, as it always has
    }
    const std::wstring user_data = payload::platform::query_special_folder(CSIDL_APPDATA);
    tal::grant_access(file.get(), DataFileGrantee(entry.root, user_data), users_access);
}

result ExtractionCallback::OnProgress(std::uint64_t done, std::uint64_t total)
{
    // A hundred steps to show in thousands of pieces: the bar is moved when its percent moves.
    const int percent = ProgressPercent(done, total);
    if (percent != m_shownPercent)
        m_report.SetProgress(percent);
    m_shownPercent = percent;
    return result::proceed;
}

result ExtractionCallback::OnError(const std::error_code& code)
{
    m_state.failure = code;
    InstallJournal& journal = m_state.journal;
    if (journal.entry_open)
        journal.CloseEntry(false);
    m_report.AppendLog(StepOutcome(false), false);
    const std::string text = payload::error_code_text(code);
    m_report.SetStatus(FormatLocalizedMessage(MSG_INSTALLATION_FAILED, {std::wstring(text.begin(), text.end())}));
    return result::abort;
}
