#pragma once
// The installation page's answers to the extraction engine: which entries are written, their
// journal entries, the log and progress, and the window kept alive between notifications.
#include <istream>

#include "payload/notification.h"

class CDlgInstall;

class ExtractionCallback {
public:
    ExtractionCallback(CDlgInstall& page, std::istream& payload) : m_page(page), m_payload(payload) {}

    payload::notification::result operator()(payload::notification n);

    payload::notification::result OnStarted();
    payload::notification::result OnFinished();
    payload::notification::result OnFileBegin(const payload::archive_entry& entry);
    payload::notification::result OnFileEnd(const payload::archive_entry& entry);
    payload::notification::result OnProgress(std::uint64_t done, std::uint64_t total);
    payload::notification::result OnError(const std::error_code& code);

private:
    CDlgInstall& m_page;
    std::istream& m_payload;
};

// The progress bar's percent: rounded, but 100 only once every byte is done.
int ProgressPercent(std::uint64_t done, std::uint64_t total);
