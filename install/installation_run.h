#pragma once
// The installation run: extraction with every change journalled, then the shortcuts, the
// DirectX runtime, the Uninstall key, the program's self-registration and the uninstall log.
// It reports through an InstallationReport and needs no window.
#include <string>

#include "install/installation_report.h"
#include "install/run_state.h"

namespace tal {
class named_mutex;
}
class PayloadCheck;

class InstallationRun {
public:
    // `lock` is the installer's lock, given up while the installed program registers itself.
    InstallationRun(InstallationSettings settings, InstallJournal& journal, tal::named_mutex& lock,
                    InstallationReport& report);

    // The whole run over the archive `payload`, whose test it awaits or runs first. True when
    // the product's files were installed; the steps after the extraction never change that,
    // their failures are "Failed" lines.
    bool Run(PayloadCheck& payload);

private:
    bool Extract(PayloadCheck& payload);
    void FailRun(const std::wstring& errorText);
    // Runs one step after the extraction: whatever escapes it ends that step's line as failed,
    // and nothing is undone.
    template <class Step>
    void Committed(Step step) noexcept;
    void BeginLine(unsigned key);
    void EndLine(bool succeeded);

    void ProtectExecutables();
    void CreateShortcuts();
    void UpdateDirectX();
    void WriteRegistryData();
    bool RegisterProgram();
    void WriteUninstallLog();

    RunState m_state;
    tal::named_mutex& m_lock;
    InstallationReport& m_report;
    bool m_lineOpen = false;
};
