#pragma once
// The run's answers to the extraction engine: which entries are written, their journal
// entries, the log and progress, and the window kept alive between notifications.
#include <chrono>
#include <cstdint>
#include <string>
#include <system_error>

#include "install/installation_report.h"
#include "install/payload_check.h"
#include "install/run_state.h"
#include "payload/notification.h"
#include "support/security.h"

class ExtractionCallback {
public:
    // `payload` is what the engine extracts; its test's result is awaited when extraction starts.
    ExtractionCallback(InstallationReport& report, RunState& state, PayloadCheck& payload)
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
    // Refuses a link below the entry's root; the file's line is shown before the failure.
    void CheckPlainPath(const payload::archive_entry& entry, const std::wstring& text);
    // The data file's access for whoever it is for, set on the file itself, never through a link.
    void GrantAccess(const payload::archive_entry& entry);
    // Dispatches the window's pending messages; after a piece's progress only once a frame.
    void ServeWindow(bool piece);

    InstallationReport& m_report;
    RunState& m_state;
    PayloadCheck& m_payload;
    int m_shownPercent = -1;
    std::chrono::steady_clock::time_point m_lastServed{};
};

// Who a data file's access is for: the installing user for a file whose root is their own
// application data folder, the local Users group for the shared ones.
tal::sid_kind DataFileGrantee(const std::wstring& root, const std::wstring& user_data_folder);

// A link where a plain folder or file of ours was wanted.
bool IsLinkFault(const std::error_code& code);

// The progress bar's percent: rounded, but 100 only once every byte is done.
int ProgressPercent(std::uint64_t done, std::uint64_t total);

// A step's outcome as the log ends its line: "OK" or "Failed", then the line break.
std::wstring StepOutcome(bool succeeded);
