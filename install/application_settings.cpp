#include "install/application_settings.h"

#include "app/install_app.h"
#include "app/localized_strings.h"
#include "app/message_keys.h"
#include "app/product.h"
#include "support/path.h"

InstallationSettings ApplicationSettings(CInstallApp& app, HWND owner)
{
    InstallationSettings settings;
    settings.installFolder = app.m_strInstallDir;
    settings.startMenuFolder = app.m_strStartMenuDir;
    settings.menuShortcut = app.m_bMenuShortcut;
    settings.desktopShortcut = app.m_bDesktopShortcut;
    settings.previousState = app.m_nPreviousState;
    settings.nameTemporaryFolder = [&app](std::wstring& folder, std::wstring& errorText) {
        if (!app.PrepareTempDir(errorText))
            return false;
        folder = app.m_strTempDir;
        return true;
    };
    settings.owner = owner;
    return settings;
}

void AppendSummary(InstallationReport& report, const InstallationSettings& settings)
{
    report.AppendLog(FormatLocalizedMessage(MSG_INSTALLATION_OF, {GetProductName(false)}) + L"\r\n", false);
    report.AppendLog(LoadLocalizedString(MSG_OPTIONS), true);
    report.AppendLog(FormatLocalizedMessage(MSG_OPTION_FOLDER, {tal::quote_spaces(settings.installFolder)}) + L"\r\n",
                     false);
    if (settings.menuShortcut)
        report.AppendLog(
            FormatLocalizedMessage(MSG_OPTION_MENU_SHORTCUT, {tal::quote_spaces(settings.startMenuFolder)}) + L"\r\n",
            false);
    if (settings.desktopShortcut)
        report.AppendLog(LoadLocalizedString(MSG_OPTION_DESKTOP_SHORTCUT) + L"\r\n", false);
}
