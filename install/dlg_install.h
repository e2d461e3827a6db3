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

private:
    void WriteSummary();

    CWnd m_log;
    CWnd m_progress;
    std::wstring m_strProgramPath;
    std::wstring m_strUninstallerPath;
};
