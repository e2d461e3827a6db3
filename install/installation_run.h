#pragma once
// The installation run: extraction with every change journalled, then the shortcuts, the
// DirectX runtime, the Uninstall key, the program's self-registration and the uninstall log.
// It reports through an InstallationReport and needs no window.
#include <string>
#include <system_error>

#include "install/installation_report.h"
#include "install/run_state.h"
#include "state/journal_file.h"

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

    // After a failed run: the engine's reason, or an empty code when the run failed before
    // the extraction or outside the engine.
    const std::error_code& Failure() const noexcept { return m_state.failure; }
    // After a run: false when a step after the extraction ended its line with "Failed".
    bool EveryStepSucceeded() const noexcept { return m_everyStepSucceeded; }

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
    // Every change of the run, on disk before it is made, for the next installer to undo
    // should this process die before the run ends.
    JournalFile m_journalFile;
    tal::named_mutex& m_lock;
    InstallationReport& m_report;
    bool m_lineOpen = false;
    bool m_everyStepSucceeded = true;
};
