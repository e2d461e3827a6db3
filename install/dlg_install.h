#pragma once
#include <string>

#include "wizard/wizard_page.h"

// Page 4: the summary of the options, then the installation's log and progress.
class CDlgInstall : public CWizardPage {
public:
    CDlgInstall() : CWizardPage(135) {}

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void RefreshTexts() override;
    void Stretch(int dx, int dy) override;

    // Appends text to the log; a ruled line centres the text between dashes.
    void AppendLog(const std::wstring& text, bool ruled);
    // The installation; true when the product's files were installed.
    bool RunInstallation();

    void SetStatus(const std::wstring& text) const { SetDlgItemText(1003, text); }
    // A status naming a file, shortened with an ellipsis to the status line's width.
    void SetStatusPath(const std::wstring& text) const;
    void SetProgress(int percent) const;
    void SetProgramPath(const std::wstring& path) { m_strProgramPath = path; }
    void SetUninstallerPath(const std::wstring& path) { m_strUninstallerPath = path; }

private:
    void WriteSummary();
    bool Extract();
    void FailRun(const std::wstring& errorText);
    void CreateShortcuts();
    void UpdateDirectX();
    void RegisterProgram(bool keyWritten);
    void WriteUninstallLog();

    CWnd m_log;
    CWnd m_progress;
    std::wstring m_strProgramPath;
    std::wstring m_strUninstallerPath;
};
