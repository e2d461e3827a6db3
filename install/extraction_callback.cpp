#include "install/extraction_callback.h"

#include <windows.h>
#include <shlwapi.h>

#include <cmath>

#include "app/install_app.h"
#include "app/localized_strings.h"
#include "install/dlg_install.h"
#include "install/temporary_files.h"
#include "payload/compress_error.h"
#include "payload/extract.h"
#include "support/message_pump.h"
#include "support/security.h"

namespace {

using payload::entry_kind;
using result = payload::notification::result;

// Modify without execute for the local Users group.
constexpr DWORD users_access = 0x13019F;

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
    tal::PumpMessages();
    return answer;
}

result ExtractionCallback::OnStarted()
{
    m_page.SetStatus(LoadLocalizedString(1114));
    m_page.AppendLog(LoadLocalizedString(1114), false);
    if (!payload::test_archive(m_payload))
        payload::raise(payload::compress_errc::archive_damaged);
    m_payload.clear();
    m_payload.seekg(0);
    m_page.AppendLog(LoadLocalizedString(1011) + L"\r\n", false);
    return result::proceed;
}

result ExtractionCallback::OnFinished()
{
    return result::proceed;
}

result ExtractionCallback::OnFileBegin(const payload::archive_entry& entry)
{
    CInstallApp& app = GetInstallApp();
    InstallJournal& journal = app.m_previousLog;
    const std::wstring& path = entry.destination;
    bool copy = false;
    if (is(entry, entry_kind::program)) {
        m_page.SetProgramPath(path);
    } else if (is(entry, entry_kind::uninstaller)) {
        m_page.SetUninstallerPath(path);
    } else if (is(entry, entry_kind::user_data)) {
        // The user's own files are never overwritten.
        copy = true;
        if (app.m_nPreviousState != 0 && journal.WasInstalled(path)) {
            tal::grant_users_access(path.c_str(), users_access);
            return result::skip;
        }
        if (::PathFileExistsW(path.c_str())) {
            journal.RecordFile(path, entry.kind, true);
            journal.CloseEntry(true);
            tal::grant_users_access(path.c_str(), users_access);
            return result::skip;
        }
    } else if (is(entry, entry_kind::shared_data)) {
        if (app.m_nPreviousState == 2)
            return result::skip;
    } else if (is(entry, entry_kind::redistributable)) {
        if (TemporaryFiles* files = CurrentTemporaryFiles())
            files->files.push_back(path);
    }
    wchar_t quoted[MAX_PATH] = {};
    ::lstrcpynW(quoted, path.c_str(), MAX_PATH);
    ::PathQuoteSpacesW(quoted);
    const std::wstring text = FormatLocalizedMessage(1115, {quoted});
    if (!is(entry, entry_kind::redistributable))
        journal.RecordFile(path, entry.kind, copy);
    m_page.SetStatusPath(text);
    m_page.AppendLog(text, false);
    return result::proceed;
}

result ExtractionCallback::OnFileEnd(const payload::archive_entry& entry)
{
    if (is(entry, entry_kind::user_data))
        tal::grant_users_access(entry.destination.c_str(), users_access);
    if (!is(entry, entry_kind::redistributable))
        GetInstallApp().m_previousLog.CloseEntry(true);
    m_page.AppendLog(LoadLocalizedString(1011) + L"\r\n", false);
    return result::proceed;
}

result ExtractionCallback::OnProgress(std::uint64_t done, std::uint64_t total)
{
    m_page.SetProgress(ProgressPercent(done, total));
    return result::proceed;
}

result ExtractionCallback::OnError(const std::error_code& code)
{
    InstallJournal& journal = GetInstallApp().m_previousLog;
    if (journal.entry_open)
        journal.CloseEntry(false);
    m_page.AppendLog(LoadLocalizedString(1012) + L"\r\n", false);
    const std::string text = payload::error_code_text(code);
    m_page.SetStatus(FormatLocalizedMessage(1121, {std::wstring(text.begin(), text.end())}));
    return result::abort;
}
