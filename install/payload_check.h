#pragma once
// The payload's archive test, run once: on a background thread from when the wizard opens,
// so that pressing Install seldom waits for it, or by the installation run itself when nobody
// started it (a run without a window). The payload is part of the running executable and
// cannot change meanwhile. The test keeps what it decodes, where it can, for the extraction.
#include <atomic>
#include <cstddef>
#include <functional>

#include "holders/handles.h"
#include "install/decoded_copy.h"
#include "payload/byte_source.h"
#include "payload/memstream.h"

class PayloadCheck {
public:
    // How the archive is tested: true when it is sound.
    using archive_test = std::function<bool(payload::byte_source&)>;

    // Over the `size` bytes at `data`, which stay readable while this lives (the payload
    // resource). `test` is payload::test_archive unless given.
    PayloadCheck(const char* data, std::size_t size, archive_test test = {});
    // A background test still running is ended early and waited for.
    ~PayloadCheck();
    PayloadCheck(const PayloadCheck&) = delete;
    PayloadCheck& operator=(const PayloadCheck&) = delete;

    // A source over the payload, for the extraction.
    tal::imemstream Open() const { return tal::imemstream(m_data, m_size); }
    // The payload's decoded bytes for the extraction, once Sound() has answered: the copy
    // the test kept when it could keep one (only once), else a decoder over the payload.
    std::unique_ptr<payload::decoded_reader> OpenDecoded();

    // Starts the test on a thread of its own at `priority` (below normal beside a window that
    // must stay quick); nothing once the test has started.
    void Start(int priority);
    // True when the archive is sound. Waits for the background test, pumping the thread's
    // messages meanwhile; runs the test here when none was started.
    bool Sound();

private:
    static DWORD WINAPI TestInBackground(void* self);
    bool RunTest() noexcept;

    const char* m_data;
    std::size_t m_size;
    archive_test m_test;
    tal::unique_handle m_thread;
    bool m_started = false;
    bool m_sound = false; // written by the test's thread before it ends
    DecodedCopy m_copy;   // likewise
    bool m_answered = false;
    std::atomic<bool> m_stop{false};
};
