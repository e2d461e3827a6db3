#include "wizard/silent_installation.h"

#include <exception>
#include <system_error>

#include "app/exit_codes.h"
#include "app/install_app.h"
#include "app/localized_strings.h"
#include "app/message_keys.h"
#include "app/previous_installation.h"
#include "app/product.h"
#include "install/application_settings.h"
#include "install/installation_run.h"
#include "install/payload_check.h"
#include "install/silent_report.h"
#include "payload/compress_error.h"
#include "support/path.h"
#include "wizard/installation_paths.h"

namespace {

// The archive itself is at fault, not the machine: nothing of it can be installed anywhere.
bool is_damaged_payload(const std::error_code& code)
{
    using payload::compress_errc;
    return code == compress_errc::archive_damaged || code == compress_errc::invalid_checksum
           || code == compress_errc::bzip2_error;
}

void append_line(SilentReport& report, const std::wstring& text)
{
    report.AppendLog(text + L"\r\n", false);
}

// The folder page's judgement of the /D folder; empty when it is taken.
std::wstring folder_refusal(const std::wstring& folder)
{
    if (!tal::is_full_folder_path(folder))
        return LoadLocalizedString(MSG_FOLDER_NOT_FULL_PATH);
    const std::vector<std::wstring>& below = InstallerPathsBelowInstallFolder();
    if (!FitsBelow(folder, below))
        return FormatLocalizedMessage(MSG_FOLDER_TOO_LONG, {std::to_wstring(LongestFolderFor(below))});
    return {};
}

} // namespace

int RunSilentInstallation(CInstallApp& app, PayloadCheck& payload)
{
    const InstallerOptions& options = app.m_options;
    SilentReport report(app.m_silentLog);
    if (app.m_nPreviousState == PREVIOUS_NEWER_VERSION) {
        // The wizard would stay on its start page with Next disabled.
        append_line(report, FormatLocalizedMessage(MSG_INSTALLATION_OF, {GetProductName(false)}));
        append_line(report, FormatLocalizedMessage(MSG_NEWER_INSTALLED, {app.m_strPreviousVersion}));
        return EXIT_NEWER_VERSION;
    }
    // A reinstallation or an update keeps the previous installation's folder, as the folder
    // page does.
    if (!options.installFolder.empty() && app.m_nPreviousState == PREVIOUS_NONE) {
        const std::wstring refusal = folder_refusal(options.installFolder);
        if (!refusal.empty()) {
            append_line(report, FormatLocalizedMessage(MSG_OPTION_FOLDER, {tal::quote_spaces(options.installFolder)}));
            append_line(report, refusal);
            return EXIT_FOLDER_REFUSED;
        }
        app.m_strInstallDir = options.installFolder;
    }
    app.m_bMenuShortcut = !options.noShortcuts;
    app.m_bDesktopShortcut = !options.noDesktop;

    InstallationSettings settings = ApplicationSettings(app, nullptr);
    AppendSummary(report, settings);
    try {
        InstallationRun run(std::move(settings), app.m_previousLog, app.m_instanceLock, report);
        app.m_bInstalled = run.Run(payload);
        if (app.m_bInstalled)
            return run.EveryStepSucceeded() ? EXIT_INSTALLED : EXIT_STEP_FAILED;
        report.AppendFailureReason();
        return is_damaged_payload(run.Failure()) ? EXIT_DAMAGED_PAYLOAD : EXIT_INSTALLATION_FAILED;
    } catch (const std::exception&) {
        // Nothing the engine or a step reports escapes the run; what does is unexpected, and
        // the run's guards have undone its copy on the way out.
        append_line(report, FormatLocalizedMessage(MSG_INSTALLATION_FAILED, {L"7"}));
        return EXIT_INSTALLATION_FAILED;
    }
}
