#include "app/install_app.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwchar>

#include "app/default_folders.h"
#include "app/interrupted_runs.h"
#include "app/localized_strings.h"
#include "app/message_keys.h"
#include "app/previous_installation.h"
#include "app/product_processes.h"
#include "app/product.h"
#include "app/startup_language.h"
#include "support/counted_semaphore.h"
#include "support/system_info.h"
#include "support/error_box.h"
#include "support/message_box.h"
#include "support/object_names.h"
#include "support/platform_check.h"
#include "support/random_uuid.h"
#include "support/security.h"
#include "support/temporary_folder.h"

namespace {

constexpr DWORD e_unexpected = 0x8000FFFF;

// Why the installed program's version cannot be told: the program is missing, or it cannot be
// opened (the read's own error: held by another program, access refused), or it has no
// complete version record.
DWORD unreadable_version_reason(const previous_installation& previous)
{
    if (!::PathFileExistsW(previous.executable.c_str()))
        return ERROR_FILE_NOT_FOUND;
    switch (previous.version_error) {
    case 0:
    case ERROR_RESOURCE_DATA_NOT_FOUND:
    case ERROR_RESOURCE_TYPE_NOT_FOUND:
    case ERROR_RESOURCE_NAME_NOT_FOUND:
    case ERROR_RESOURCE_LANG_NOT_FOUND: return ERROR_RESOURCE_TYPE_NOT_FOUND;
    default: return previous.version_error;
    }
}

// This installer's file name, however it was renamed.
std::wstring own_image_name()
{
    const std::wstring path = tal::module_file_name();
    return path.empty() ? std::wstring() : std::wstring(::PathFindFileNameW(path.c_str()));
}

// A new name for each run, so that no two runs share a folder.
std::wstring new_temp_dir_name()
{
    return L"marrowin_{" + tal::new_uuid_text() + L"}";
}

} // namespace

CInstallApp::CInstallApp()
    : CWinApp(nullptr), m_instanceLock(tal::installer_lock_name, false, true),
      m_previousLog(GetProductName(false), GetProductKeyName())
{
    m_strAppName = GetInstallerTitle(true);
}

CInstallApp& GetInstallApp()
{
    return *static_cast<CInstallApp*>(AfxGetApp());
}

int CInstallApp::GetPreviousState(std::wstring* previousVersion) const
{
    if (previousVersion && (m_nPreviousState == PREVIOUS_OLDER_VERSION || m_nPreviousState == PREVIOUS_NEWER_VERSION))
        *previousVersion = m_strPreviousVersion;
    return m_nPreviousState;
}

bool CInstallApp::PrepareTempDir(std::wstring& errorText)
{
    DWORD error = ERROR_SUCCESS;
    const std::wstring path = run_folder_path(new_temp_dir_name(), error);
    if (path.empty()) {
        wchar_t text[64];
        std::swprintf(text, 64, L"%08x (%ls)", static_cast<unsigned>(error), L"GetTempPath");
        errorText = text;
        return false;
    }
    m_strTempDir = path;
    return true;
}

bool CInstallApp::CheckTempDir()
{
    DWORD error = ERROR_SUCCESS;
    if (!run_folder_path(new_temp_dir_name(), error).empty())
        return true;
    // Nothing could be installed: say so before the user has chosen anything.
    const std::wstring folder = tal::system_temporary_folder();
    const std::wstring reason = tal::system_message_text(error, 0);
    const std::wstring text = folder.empty() ? reason : folder + L"\r\n\r\n" + reason;
    return Refuse(EXIT_NO_TEMPORARY_FOLDER, text, MB_OK | MB_ICONERROR);
}

bool CInstallApp::WaitForRunningProduct()
{
    for (;;) {
        const unsigned running = tal::running_instance_registered() ? tal::running_instance_count() : 0;
        if (running <= 1)
            return true;
        // A process of the family that was killed never gave its unit back: with none of them
        // alive the count is stale, and nothing is to be closed.
        if (!product_family_process_alive(own_image_name()))
            return true;
        if (!RetryOrRefuse(EXIT_PRODUCT_RUNNING, FormatLocalizedMessage(MSG_CLOSE_PRODUCT, {GetProductName(true)})))
            return false;
    }
}

bool CInstallApp::UndoInterruptedRuns()
{
    for (;;) {
        const interrupted_runs_outcome outcome = undo_interrupted_runs();
        const std::wstring text = interrupted_runs_message(outcome);
        if (outcome.failed == 0) {
            if (!text.empty())
                Tell(text, MB_OK | MB_ICONINFORMATION);
            return true;
        }
        // Installing over a half-undone run would mix two runs: nothing goes on until it is undone.
        if (!RetryOrRefuse(EXIT_INTERRUPTED_RUN_NOT_UNDONE, text))
            return false;
    }
}

bool CInstallApp::DetectPreviousInstallation()
{
    const previous_installation previous =
        ::DetectPreviousInstallation(GetProductKeyName(), product_numeric_version, m_previousLog);
    if (previous.version_unreadable) {
        // The installed version cannot be told: going on could replace a newer product.
        const std::wstring text =
            previous.executable + L"\r\n\r\n" + tal::system_message_text(unreadable_version_reason(previous), 0);
        return Refuse(EXIT_VERSION_UNREADABLE, text, MB_OK | MB_ICONERROR);
    }
    m_nPreviousState = previous.state;
    m_strPreviousVersion = previous.title;
    m_strInstallDir = m_previousLog.previous_install_folder;
    m_strStartMenuDir = m_previousLog.previous_shortcut_folder;
    return true;
}

void CInstallApp::Tell(const std::wstring& text, UINT style)
{
    if (m_options.silent)
        m_silentLog.Write(text + L"\r\n");
    else if (!text.empty())
        tal::message_box(text.c_str(), nullptr, style);
}

BOOL CInstallApp::Refuse(int code, const std::wstring& reason, UINT style)
{
    m_nProcessExitCode = code;
    Tell(reason, style);
    return FALSE;
}

bool CInstallApp::RetryOrRefuse(int code, const std::wstring& question)
{
    // Without a window nobody can put things right and retry: Cancel is the answer.
    if (m_options.silent)
        return Refuse(code, question, 0);
    if (tal::message_box(question.c_str(), nullptr, MB_RETRYCANCEL | MB_ICONEXCLAMATION) == IDRETRY)
        return true;
    m_nProcessExitCode = code;
    return false;
}

int CInstallApp::ExitInstance()
{
    return m_nProcessExitCode;
}

// One sequence for the wizard and for /S: every check that would ask or tell the user goes
// through Tell, Refuse or RetryOrRefuse, which write to the /LOG file instead when silent.
BOOL CInstallApp::InitInstance()
{
    // First, so that every refusal below knows whether it may show a box.
    m_options = ParseInstallerCommandLine(m_lpCmdLine ? m_lpCmdLine : L"");
    if (m_options.silent && !m_options.logFile.empty() && m_silentLog.Open(m_options.logFile) != ERROR_SUCCESS) {
        m_nProcessExitCode = EXIT_LOG_FILE;
        return FALSE;
    }
    if (!tal::windows_version_ok)
        return Refuse(EXIT_UNSUPPORTED_SYSTEM, tal::error_text(e_unexpected, 0), MB_ICONEXCLAMATION | MB_OK);
    if (!m_instanceLock.try_acquire())
        return Refuse(EXIT_ANOTHER_INSTALLER, tal::error_text(ERROR_BUSY, 0), MB_ICONEXCLAMATION | MB_OK);
    CWinApp::InitInstance();
    ChooseStartupLanguage();
    if (!m_options.badSwitch.empty())
        return Refuse(EXIT_COMMAND_LINE,
                      FormatLocalizedMessage(MSG_UNKNOWN_SWITCH, {m_options.badSwitch, installer_switches}),
                      MB_ICONEXCLAMATION | MB_OK);
    if (m_options.language)
        UseLanguage(*m_options.language);
    if (!tal::is_user_admin())
        return Refuse(EXIT_NOT_ADMINISTRATOR, LoadLocalizedString(MSG_NEED_ADMINISTRATOR), MB_ICONEXCLAMATION);
    StartArchiveTest();
    if (!WaitForRunningProduct())
        return FALSE;
    if (!UndoInterruptedRuns())
        return FALSE;
    if (!DetectPreviousInstallation())
        return FALSE;
    if (m_strInstallDir.empty())
        m_strInstallDir = DefaultInstallFolder();
    if (m_strStartMenuDir.empty())
        m_strStartMenuDir = DefaultStartMenuFolder();
    m_bMenuShortcut = true;
    m_bDesktopShortcut = true;
    m_bAdvancedMode = false;
    if (!CheckTempDir())
        return FALSE;
    if (m_options.silent) {
        m_nProcessExitCode = RunSilent();
    } else {
        RunWizard();
        m_nProcessExitCode = m_bInstalled ? EXIT_INSTALLED : EXIT_WIZARD_CLOSED;
    }
    return FALSE;
}
