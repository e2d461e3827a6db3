#pragma once
// The payload's archive test, run once: on a background thread from when the wizard opens,
// so that pressing Install seldom waits for it, or by the installation run itself when nobody
// started it (a run without a window). The payload is part of the running executable and
// cannot change meanwhile.
#include <atomic>
#include <cstddef>
#include <functional>

#include "holders/handles.h"
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

    // Starts the test on a thread of below-normal priority; nothing once the test has started.
    void Start();
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
    std::atomic<bool> m_stop{false};
};
