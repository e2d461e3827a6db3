#include "install/payload_check.h"

#include <algorithm>
#include <streambuf>

#include "payload/extract.h"
#include "support/message_pump.h"
#include "support/temporary_folder.h"

namespace {

// The payload handed out in windows, so that a test can be ended between two of them.
// Seekable, as the parallel decoder needs to go back when it hands over to the sequential one.
class stoppable_buf : public std::streambuf {
public:
    stoppable_buf(const char* data, std::size_t size, const std::atomic<bool>& stop)
        : begin_(data), next_(data), end_(data + size), stop_(stop)
    {
    }

protected:
    int_type underflow() override
    {
        if (gptr() < egptr())
            return traits_type::to_int_type(*gptr());
        if (next_ == end_ || stop_.load(std::memory_order_relaxed))
            return traits_type::eof();
        // Large enough that the check costs nothing, small enough to stop within milliseconds.
        constexpr std::size_t window = 256 * 1024;
        char* begin = const_cast<char*>(next_);
        next_ += std::min<std::size_t>(window, static_cast<std::size_t>(end_ - next_));
        setg(begin, begin, const_cast<char*>(next_));
        return traits_type::to_int_type(*gptr());
    }

    pos_type seekoff(off_type offset, std::ios_base::seekdir from, std::ios_base::openmode which) override
    {
        const off_type here = (gptr() ? gptr() : next_) - begin_;
        const off_type base = from == std::ios_base::beg ? 0 : from == std::ios_base::cur ? here : end_ - begin_;
        return seek_to(base + offset, which);
    }

    pos_type seekpos(pos_type position, std::ios_base::openmode which) override
    {
        return seek_to(off_type(position), which);
    }

private:
    pos_type seek_to(off_type position, std::ios_base::openmode which)
    {
        if (!(which & std::ios_base::in) || position < 0 || position > end_ - begin_)
            return pos_type(off_type(-1));
        next_ = begin_ + position;
        setg(nullptr, nullptr, nullptr);
        return pos_type(position);
    }

    const char* const begin_;
    const char* next_;
    const char* const end_;
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

void PayloadCheck::Start()
{
    if (m_started)
        return;
    // Created suspended, so that it never runs at the normal priority beside the wizard.
    m_thread.reset(::CreateThread(nullptr, 0, TestInBackground, this, CREATE_SUSPENDED, nullptr));
    if (!m_thread)
        return; // the run tests the archive itself
    m_started = true;
    ::SetThreadPriority(m_thread.get(), THREAD_PRIORITY_BELOW_NORMAL);
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
        stoppable_buf buffer(m_data, m_size, m_stop);
        std::istream source(&buffer);
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
