#pragma once
// The run's answers to the extraction engine: which entries are written, their journal
// entries, the log and progress, and the window kept alive between notifications.
#include <cstdint>
#include <istream>
#include <system_error>

#include "install/installation_report.h"
#include "install/run_state.h"
#include "payload/notification.h"

class ExtractionCallback {
public:
    // `payload` is the stream the engine extracts; its archive is tested when extraction starts.
    ExtractionCallback(InstallationReport& report, RunState& state, std::istream& payload)
        : m_report(report), m_state(state), m_payload(payload)
    {
    }

    payload::notification::result operator()(payload::notification n);

    payload::notification::result OnStarted();
    payload::notification::result OnFinished();
    payload::notification::result OnFileBegin(const payload::archive_entry& entry);
    payload::notification::result OnFileEnd(const payload::archive_entry& entry);
    payload::notification::result OnProgress(std::uint64_t done, std::uint64_t total);
    payload::notification::result OnError(const std::error_code& code);

private:
    InstallationReport& m_report;
    RunState& m_state;
    std::istream& m_payload;
};

// The progress bar's percent: rounded, but 100 only once every byte is done.
int ProgressPercent(std::uint64_t done, std::uint64_t total);

// A step's outcome as the log ends its line: "OK" or "Failed", then the line break.
std::wstring StepOutcome(bool succeeded);
