#pragma once
// What an installation run shows while it works. The installation page shows it in its
// controls; a run without a window may show nothing.
#include <string>

class InstallationReport {
public:
    virtual ~InstallationReport() = default;

    virtual void SetStatus(const std::wstring& text) = 0;
    // A status naming a file; a window may shorten it to the space it has.
    virtual void SetStatusPath(const std::wstring& text) = 0;
    // Appends text to the log; a ruled line centres the text between dashes and ends the line.
    virtual void AppendLog(const std::wstring& text, bool ruled) = 0;
    // The progress, back at 0 and shown from now on.
    virtual void StartProgress() = 0;
    virtual void SetProgress(int percent) = 0;
};
