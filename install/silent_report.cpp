#include "install/silent_report.h"

#include "app/installation_log_file.h"

std::wstring RuledLine(const std::wstring& text, std::size_t width)
{
    if (text.empty())
        return std::wstring(width, L'-');
    const std::wstring middle = L" " + text + L" ";
    const std::size_t dashes = width > middle.size() ? width - middle.size() : 0;
    return std::wstring(dashes / 2, L'-') + middle + std::wstring((dashes + 1) / 2, L'-');
}

void SilentReport::AppendLog(const std::wstring& text, bool ruled)
{
    m_lastText = ruled || text.empty() ? RuledLine(text) + L"\r\n" : text;
    m_log.Write(m_lastText);
}

void SilentReport::AppendFailureReason()
{
    const std::wstring line = m_status + L"\r\n";
    if (!m_status.empty() && m_lastText != line)
        AppendLog(line, false);
}
