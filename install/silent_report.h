#pragma once
// The installation's report without a window: the lines the installation page would show go
// to the /LOG file, and the status line is kept for a failure's reason.
#include <cstddef>
#include <string>

#include "install/installation_report.h"

class InstallationLogFile;

// The width of a ruled line in the log file, in characters.
inline constexpr std::size_t log_line_width = 64;

// `text` centred between dashes as the page rules its lines, by characters instead of pixels:
// no text gives a whole line of dashes. The line break is not included.
std::wstring RuledLine(const std::wstring& text, std::size_t width = log_line_width);

class SilentReport : public InstallationReport {
public:
    // `log` may be a file that is not open: the lines then go nowhere.
    explicit SilentReport(InstallationLogFile& log) : m_log(log) {}

    void SetStatus(const std::wstring& text) override { m_status = text; }
    void SetStatusPath(const std::wstring& text) override { m_status = text; }
    void AppendLog(const std::wstring& text, bool ruled) override;
    void StartProgress() override {}
    void SetProgress(int) override {}

    // After a failed run: the status line's reason, unless the log's last line says it already.
    void AppendFailureReason();

private:
    InstallationLogFile& m_log;
    std::wstring m_status;
    std::wstring m_lastText;
};
