#include "install/installation_run.h"

#include <windows.h>
#include <shlobj.h>

#include <cwchar>
#include <functional>

#include "app/localized_strings.h"
#include "app/message_keys.h"
#include "app/previous_installation.h"
#include "app/product.h"
#include "holders/handles.h"
#include "holders/scope_guard.h"
#include "install/directx_setup.h"
#include "install/extraction_callback.h"
#include "install/payload_check.h"
#include "install/product_rights.h"
#include "install/uninstall_key.h"
#include "payload/extract.h"
#include "state/journal.h"
#include "state/run_register.h"
#include "support/language.h"
#include "support/named_mutex.h"
#include "support/path.h"
#include "support/protected_folder.h"
#include "support/shortcut.h"

namespace {

// The exit code by which the installed program says it registered itself.
constexpr DWORD registered_exit_code = static_cast<DWORD>(-10);

constexpr const wchar_t* uninstall_log_name = L"Uninstall.ulog";

// The desktop for every user, else the user's own; empty when neither can be had.
std::wstring desktop_folder(HWND owner)
{
    // The shell fills a MAX_PATH buffer of its own choosing here.
    wchar_t path[MAX_PATH] = {};
    if (::SHGetSpecialFolderPathW(owner, path, CSIDL_COMMON_DESKTOPDIRECTORY, FALSE)
        || ::SHGetSpecialFolderPathW(owner, path, CSIDL_DESKTOPDIRECTORY, FALSE))
        return path;
    return {};
}

// The error text of a failed system call, as the run shows it: "000000b7 (CreateDirectory)".
std::wstring call_error_text(DWORD error, const wchar_t* call)
{
    wchar_t text[64] = {};
    std::swprintf(text, 64, L"%08x (%ls)", static_cast<unsigned>(error), call);
    return text;
}

} // namespace

InstallationRun::InstallationRun(InstallationSettings settings, InstallJournal& journal, tal::named_mutex& lock,
                                 InstallationReport& report)
    : m_state(std::move(settings), journal), m_lock(lock), m_report(report)
{
}

void InstallationRun::FailRun(const std::wstring& errorText)
{
    const std::wstring text = FormatLocalizedMessage(MSG_INSTALLATION_FAILED, {errorText});
    m_report.SetStatus(text);
    m_report.AppendLog(text + L"\r\n", false);
}

bool InstallationRun::Run(PayloadCheck& payload)
{
    m_state.programPath.clear();
    m_state.uninstallerPath.clear();
    m_report.AppendLog(L"", true);
    m_report.SetStatus(LoadLocalizedString(MSG_PREPARING));
    std::wstring folder, error;
    if (!m_state.settings.nameTemporaryFolder(folder, error)) {
        FailRun(error);
        return false;
    }
    // The run makes the folder itself, for SYSTEM and Administrators only: the elevated run
    // loads a library from it and keeps its backups there. A folder that is there already is
    // somebody else's, whatever it holds.
    if (const DWORD created = tal::create_protected_folder(folder); created != ERROR_SUCCESS) {
        FailRun(call_error_text(created, L"CreateDirectory"));
        return false;
    }
    // Recorded where only administrators write, so that the next installer trusts this folder's
    // journal should this process die.
    const std::wstring runs = GetRunRegisterKey();
    const auto abandon = [&](DWORD error, const wchar_t* call) {
        ::RemoveDirectoryW(folder.c_str());
        forget_run_folder(runs, folder);
        FailRun(call_error_text(error, call));
        return false;
    };
    if (const DWORD recorded = record_run_folder(runs, folder); recorded != ERROR_SUCCESS)
        return abandon(recorded, L"RegSetValueEx");
    if (const DWORD created = m_journalFile.Create(folder); created != ERROR_SUCCESS)
        return abandon(created, L"CreateFile");
    m_state.temporary = TemporaryFiles{folder, {}};
    m_state.journal.SetBackupFolder(folder);
    m_state.journal.SetJournalFile(&m_journalFile);
    tal::scope_guard cleanup([this, runs, folder] {
        // The run is over: its journal goes before the backups it names.
        m_state.journal.SetJournalFile(nullptr);
        m_journalFile.Remove();
        // The backups go first, so that the folder holds nothing more when its turn comes.
        m_state.journal.DeleteBackups();
        m_state.journal.SetBackupFolder({});
        RemoveTemporaryFiles(m_state.temporary);
        // A folder that stays (a file in use) stays recorded: the next installer deletes it.
        if (::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
            forget_run_folder(runs, folder);
    });
    if (!Extract(payload))
        return false;

    // From here on nothing is rolled back by this process; the backups stay until the log is
    // written, so that a run that dies before can still be undone by the next installer.
    Committed([this] { ProtectExecutables(); });
    Committed([this] { CreateShortcuts(); });
    Committed([this] { UpdateDirectX(); });
    Committed([this] { WriteRegistryData(); });
    Committed([this] { WriteUninstallLog(); });
    // The journal, the saved key and the replaced shortcuts go with the cleanup above, when
    // the log did not take them away.
    Committed([this] { m_report.SetStatus(FormatLocalizedMessage(MSG_CLICK_TO_CONTINUE, {LoadLocalizedString(MSG_NEXT)})); });
    return true;
}

bool InstallationRun::Extract(PayloadCheck& payload)
{
    const std::wstring examples = FormatLocalizedMessage(MSG_EXAMPLES, {GetProductName(true)});
    m_report.StartProgress();
    // Whatever the extraction did is undone unless it completes.
    tal::scope_guard rollback([this] { m_state.journal.Rollback(); });
    ExtractionCallback callback(m_report, m_state, payload);
    try {
        if (!payload::extract_archive([&payload] { return payload.OpenDecoded(); },
                                      {m_state.settings.installFolder, examples, m_state.temporary.folder},
                                      std::ref(callback)))
            return false; // the callback has told why
    } catch (...) {
        // Whatever escaped the engine ends the run like a failed extraction.
        m_report.AppendLog(StepOutcome(false), false);
        FailRun(L"7");
        return false;
    }
    rollback.dismiss();
    return true;
}

template <class Step>
void InstallationRun::Committed(Step step) noexcept
{
    try {
        step();
    } catch (...) {
        try {
            if (m_state.journal.entry_open)
                m_state.journal.CloseEntry(false);
            if (m_lineOpen)
                EndLine(false);
        } catch (...) {
            // Nothing more can be told; the next step goes on.
        }
    }
    m_lineOpen = false;
}

void InstallationRun::BeginLine(unsigned key)
{
    const std::wstring text = LoadLocalizedString(key);
    m_report.SetStatus(text);
    m_report.AppendLog(text, false);
    m_lineOpen = true;
}

void InstallationRun::EndLine(bool succeeded)
{
    m_everyStepSucceeded = m_everyStepSucceeded && succeeded;
    m_report.AppendLog(StepOutcome(succeeded), false);
    m_lineOpen = false;
}

void InstallationRun::ProtectExecutables()
{
    for (const std::wstring* path : {&m_state.programPath, &m_state.uninstallerPath}) {
        const DWORD attributes = ::GetFileAttributesW(path->c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES)
            ::SetFileAttributesW(path->c_str(), attributes | FILE_ATTRIBUTE_READONLY);
    }
}

void InstallationRun::CreateShortcuts()
{
    const InstallationSettings& settings = m_state.settings;
    if (!settings.menuShortcut && !settings.desktopShortcut)
        return;
    BeginLine(MSG_CREATING_SHORTCUTS);
    InstallJournal& journal = m_state.journal;
    // Once for the step's links, rather than a start and an end of COM for each.
    const tal::com_initialization com;
    bool good = true;
    const auto make = [&](int which, const std::wstring& folder, const std::wstring& target, const std::wstring& name) {
        journal.BeginShortcut(which, folder);
        journal.NoteEntryPath(tal::append_path(folder, name) + L".lnk");
        std::wstring link;
        const bool made = tal::CreateShortcut(target, folder, name.c_str(), &link);
        journal.CloseEntry(made, made ? link.c_str() : nullptr);
        good = good && made;
    };
    if (settings.menuShortcut) {
        make(0, settings.startMenuFolder, m_state.programPath, GetProductName(false));
        make(1, settings.startMenuFolder, m_state.uninstallerPath,
             FormatLocalizedMessage(MSG_UNINSTALL_PRODUCT, {GetProductName(true)}));
    }
    if (settings.desktopShortcut)
        make(2, desktop_folder(settings.owner), m_state.programPath, GetProductName(false));
    EndLine(good);
}

void InstallationRun::UpdateDirectX()
{
    DirectXSetup setup(m_state.temporary.folder);
    if (!setup.usable())
        return;
    InstallJournal& journal = m_state.journal;
    if (m_state.settings.previousState != PREVIOUS_SAME_VERSION) {
        for (const JournalEntry& entry : journal.previous_entries) {
            if (entry.kind == journal_kind::directx_update && entry.succeeded)
                return; // done by the previous installation
        }
    }
    journal.BeginDirectXUpdate();
    BeginLine(MSG_DIRECTX_UPDATE);
    const bool updated = setup.Run(m_state.settings.owner);
    journal.CloseEntry(updated, LoadLocalizedString(MSG_DIRECTX_UPDATE).c_str());
    EndLine(updated);
}

void InstallationRun::WriteRegistryData()
{
    BeginLine(MSG_WRITING_REGISTRY);
    const bool keyWritten =
        WriteUninstallKey(m_state.journal, m_state.programPath, m_state.uninstallerPath, tal::get_language());
    const bool registered = RegisterProgram();
    EndLine(keyWritten && registered);
}

bool InstallationRun::RegisterProgram()
{
    InstallJournal& journal = m_state.journal;
    journal.BeginRegistration();
    std::wstring command = tal::quote_spaces(m_state.programPath) + L" /Register /Background";
    const std::wstring folder = tal::remove_file_spec(m_state.programPath);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNOACTIVATE;
    PROCESS_INFORMATION info{};
    DWORD code = 0;
    bool started = false;
    {
        // The product refuses to start while an installer holds the lock.
        const tal::released_lock released(m_lock);
        started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, HIGH_PRIORITY_CLASS, nullptr,
                                   folder.empty() ? nullptr : folder.c_str(), &startup, &info) != FALSE;
        if (started) {
            const tal::unique_handle process(info.hProcess), thread(info.hThread);
            ::WaitForSingleObject(process.get(), INFINITE);
            if (!::GetExitCodeProcess(process.get(), &code))
                code = 0;
        }
    }
    const bool registered = started && code == registered_exit_code;
    journal.CloseEntry(registered);
    // The program has registered its file types: the shell shows their icons at once. It is
    // told without waiting for it, which cost the run ~12 ms of a busy shell's time.
    if (registered)
        ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST | SHCNF_FLUSHNOWAIT, nullptr, nullptr);
    return registered;
}

void InstallationRun::WriteUninstallLog()
{
    BeginLine(MSG_WRITING_INSTALLATION_DATA);
    const std::wstring folder = tal::remove_file_spec(m_state.uninstallerPath);
    const std::wstring log = tal::append_path(folder, uninstall_log_name);
    const bool good = !folder.empty() && tal::fits_max_path(log)
                      && m_state.journal.WriteLog(log, m_state.settings.installFolder, m_state.settings.startMenuFolder);
    // The elevated uninstaller acts on the log: users may read it, not change it. A volume
    // without rights (FAT) keeps it as it is, and the log is written all the same.
    if (good)
        SecureUninstallLog(log);
    EndLine(good);
}
