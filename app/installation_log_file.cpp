#include "app/installation_log_file.h"

#include "support/utf8.h"

DWORD InstallationLogFile::Open(const std::wstring& path)
{
    // Readable while it grows; a second installer given the same file cannot take it over.
    tal::unique_hfile file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return ::GetLastError();
    static const char bom[] = "\xEF\xBB\xBF";
    DWORD written = 0;
    if (!::WriteFile(file.get(), bom, 3, &written, nullptr))
        return ::GetLastError();
    m_file = std::move(file);
    return ERROR_SUCCESS;
}

void InstallationLogFile::Write(const std::wstring& text)
{
    if (!m_file || text.empty())
        return;
    const std::string bytes = tal::to_utf8(text);
    DWORD written = 0;
    // A log that cannot be written any more does not stop the installation it reports.
    ::WriteFile(m_file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
