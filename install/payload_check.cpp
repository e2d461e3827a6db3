#include "install/payload_check.h"

#include "payload/extract.h"
#include "support/message_pump.h"
#include "support/temporary_folder.h"

namespace {

// The payload, read until the test is asked to stop: a stopped source ends, so that the test
// ends within one read. Seekable, as the parallel decoder needs to go back when it hands over
// to the sequential one.
class stoppable_source final : public payload::byte_source {
public:
    stoppable_source(const char* data, std::size_t size, const std::atomic<bool>& stop)
        : payload_(data, size), stop_(stop)
    {
    }

    std::size_t read(char* out, std::size_t count) override
    {
        return stop_.load(std::memory_order_relaxed) ? 0 : payload_.read(out, count);
    }
    std::optional<std::uint64_t> position() const override { return payload_.position(); }
    bool seek(std::uint64_t position) override { return payload_.seek(position); }

private:
    tal::imemstream payload_;
    const std::atomic<bool>& stop_;
};

} // namespace

PayloadCheck::PayloadCheck(const char* data, std::size_t size, archive_test test)
    : m_data(data), m_size(size), m_test(std::move(test))
{
}

PayloadCheck::~PayloadCheck()
{
    if (m_thread) {
        m_stop = true;
        ::WaitForSingleObject(m_thread.get(), INFINITE);
    }
}

void PayloadCheck::Start(int priority)
{
    if (m_started)
        return;
    // Created suspended, so that it never runs at another priority than the one asked for.
    m_thread.reset(::CreateThread(nullptr, 0, TestInBackground, this, CREATE_SUSPENDED, nullptr));
    if (!m_thread)
        return; // the run tests the archive itself
    m_started = true;
    ::SetThreadPriority(m_thread.get(), priority);
    ::ResumeThread(m_thread.get());
}

bool PayloadCheck::Sound()
{
    if (!m_started) {
        m_started = true;
        m_sound = RunTest();
    }
    if (m_thread) {
        const HANDLE thread = m_thread.get();
        DWORD woke = WAIT_OBJECT_0 + 1;
        while (woke == WAIT_OBJECT_0 + 1) {
            woke = ::MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
            if (woke == WAIT_OBJECT_0 + 1)
                tal::PumpMessages();
        }
        if (woke != WAIT_OBJECT_0)
            ::WaitForSingleObject(thread, INFINITE);
        m_thread.reset();
    }
    m_answered = true;
    return m_sound;
}

std::unique_ptr<payload::decoded_reader> PayloadCheck::OpenDecoded()
{
    if (m_answered && m_sound) {
        if (auto copy = m_copy.TakeReader(m_size))
            return copy;
    }
    return payload::decode_memory(m_data, m_size);
}

DWORD WINAPI PayloadCheck::TestInBackground(void* self)
{
    auto* check = static_cast<PayloadCheck*>(self);
    check->m_sound = check->RunTest();
    return 0;
}

bool PayloadCheck::RunTest() noexcept
{
    try {
        stoppable_source source(m_data, m_size, m_stop);
        if (m_test)
            return m_test(source);
        DecodedCopy copy = DecodedCopy::Create(tal::system_temporary_folder());
        const bool sound = payload::test_archive(source, [&copy](const char* bytes, std::size_t count) {
            copy.Append(bytes, count);
        });
        if (sound && copy.Finish())
            m_copy = std::move(copy);
        return sound;
    } catch (...) {
        return false;
    }
}
