#pragma once
// What the wizard's page and the silent installation share: the run's settings taken from the
// application's choices, and the summary of them that opens the installation's log.
#include <windows.h>

#include "install/installation_report.h"
#include "install/run_state.h"

class CInstallApp;

// The settings of a run from `app`; its temporary folder is named through `app` too. `owner`
// owns what the run opens, or is null.
InstallationSettings ApplicationSettings(CInstallApp& app, HWND owner);

// The product, then the options under a ruled heading: folder, Start-menu and desktop shortcuts.
void AppendSummary(InstallationReport& report, const InstallationSettings& settings);
