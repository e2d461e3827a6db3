#pragma once
#include <chrono>
#include <string>

#include "install/installation_report.h"
#include "install/payload_check.h"
#include "wizard/wizard_page.h"

// Page 4: the summary of the options, then the installation's log and progress.
class CDlgInstall : public CWizardPage, public InstallationReport {
public:
    // Tests and installs `payload`, which outlives the page.
    explicit CDlgInstall(PayloadCheck& payload);

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void RefreshTexts() override;
    void Stretch(int dx, int dy) override;

    // The installation, shown in this page; true when the product's files were installed.
    bool RunInstallation();

    void SetStatus(const std::wstring& text) override;
    void SetStatusPath(const std::wstring& text) override;
    void AppendLog(const std::wstring& text, bool ruled) override;
    void StartProgress() override;
    void SetProgress(int percent) override;

private:
    void WriteSummary();
    // Puts the lines gathered since the last time into the log control.
    void FlushLog();
    bool LogFlushDue() const;
    void ShowProgress();

    CWnd m_log;
    CWnd m_progress;
    PayloadCheck& m_payload;
    // Lines not yet in the control, and how many, with when it last took some.
    std::wstring m_pendingLog;
    int m_pendingLines = 0;
    std::chrono::steady_clock::time_point m_lastLogFlush;      // when the last insertion ended
    std::chrono::steady_clock::duration m_lastLogFlushCost{}; // what it took
    int m_pendingProgress = -1; // the bar's percent not yet shown
    std::chrono::steady_clock::time_point m_lastProgressShown;
};
