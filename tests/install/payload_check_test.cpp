// The payload's archive test in the background: its result with and without a background
// thread, the thread's priority, the wait that keeps messages flowing, and an early end when
// the check goes away while testing.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>

#include "holders/handles.h"
#include "install/payload_check.h"
#include "payload/extract.h"
#include "test_support.h"

namespace {

std::string sound_archive()
{
    test::archive_bytes archive;
    archive.add(L"Vantrel.exe", L"<InstallPath>", std::string(300000, 'v'), 1);
    return test::compress(archive.bytes());
}

// Set by a thread timer, which only a pumped message queue calls.
std::atomic<HANDLE> timer_event{nullptr};
void CALLBACK set_timer_event(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    ::SetEvent(timer_event.load());
}

TEST(PayloadCheck, TellsSoundFromDamagedWithOrWithoutABackgroundTest)
{
    const std::string sound = sound_archive();
    std::string damaged = sound;
    damaged[damaged.size() / 2] ^= 0x55;
    const std::string followed = sound + "x";
    struct {
        const char* name;
        const std::string& bytes;
        bool expected;
    } const cases[] = {
        {"sound", sound, true},
        {"damaged", damaged, false},
        {"cut short", sound.substr(0, sound.size() - 10), false},
        {"followed by more", followed, false},
        {"empty", std::string(), false},
    };
    for (const auto& c : cases) {
        for (const bool background : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.name << (background ? ", in the background" : ", in line"));
            PayloadCheck check(c.bytes.data(), c.bytes.size());
            if (background)
                check.Start(THREAD_PRIORITY_BELOW_NORMAL);
            EXPECT_EQ(check.Sound(), c.expected);
            // Asked again, the same answer.
            EXPECT_EQ(check.Sound(), c.expected);
        }
    }
}

// The parallel decoder goes back to where it started when it hands over to the sequential
// one; a source it cannot seek would keep it sequential.
TEST(PayloadCheck, TheTestReadsASeekableSource)
{
    const std::string bytes = sound_archive();
    const auto seeks = [&bytes](payload::byte_source& source) {
        char c = 0;
        const bool at_100 = source.seek(100) && source.read(&c, 1) == 1 && c == bytes[100];
        const bool told = source.position() == std::optional<std::uint64_t>(101);
        const bool last = source.seek(bytes.size() - 1) && source.read(&c, 1) == 1 && c == bytes.back()
                          && source.read(&c, 1) == 0;
        const bool first = source.seek(0) && source.read(&c, 1) == 1 && c == bytes[0];
        return at_100 && told && last && first && !source.seek(bytes.size() + 1);
    };
    for (const bool background : {false, true}) {
        SCOPED_TRACE(background ? "in the background" : "in line");
        PayloadCheck check(bytes.data(), bytes.size(), seeks);
        if (background)
            check.Start(THREAD_PRIORITY_BELOW_NORMAL);
        EXPECT_TRUE(check.Sound());
    }
}

TEST(PayloadCheck, TestsOnceOnAThreadOfTheAskedPriorityWhenStarted)
{
    const std::string bytes = sound_archive();
    // Not started, then started beside a window and without one.
    for (const int asked : {THREAD_PRIORITY_ERROR_RETURN, THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL}) {
        const bool background = asked != THREAD_PRIORITY_ERROR_RETURN;
        SCOPED_TRACE(testing::Message() << "priority " << asked);
        int calls = 0;
        DWORD thread = 0;
        int priority = THREAD_PRIORITY_ERROR_RETURN;
        PayloadCheck check(bytes.data(), bytes.size(), [&](payload::byte_source& source) {
            ++calls;
            thread = ::GetCurrentThreadId();
            priority = ::GetThreadPriority(::GetCurrentThread());
            return payload::test_archive(source);
        });
        if (background) {
            check.Start(asked);
            check.Start(THREAD_PRIORITY_HIGHEST);
        }
        EXPECT_TRUE(check.Sound());
        EXPECT_TRUE(check.Sound());
        check.Start(THREAD_PRIORITY_BELOW_NORMAL);
        EXPECT_EQ(calls, 1);
        if (background) {
            EXPECT_NE(thread, ::GetCurrentThreadId());
            EXPECT_EQ(priority, asked);
        } else {
            EXPECT_EQ(thread, ::GetCurrentThreadId());
        }
    }
}

TEST(PayloadCheck, WaitingForTheBackgroundTestPumpsMessages)
{
    // The test ends only once a thread timer has fired: the wait must dispatch messages.
    const tal::unique_handle released(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(released);
    timer_event = released.get();
    const std::string bytes = sound_archive();
    bool released_by_timer = false;
    PayloadCheck check(bytes.data(), bytes.size(), [&](payload::byte_source& source) {
        released_by_timer = ::WaitForSingleObject(released.get(), 20000) == WAIT_OBJECT_0;
        return payload::test_archive(source);
    });
    check.Start(THREAD_PRIORITY_BELOW_NORMAL);
    ASSERT_NE(::SetTimer(nullptr, 0, 50, set_timer_event), 0u);
    EXPECT_TRUE(check.Sound());
    EXPECT_TRUE(released_by_timer);
    timer_event = nullptr;
}

TEST(PayloadCheck, GoingAwayWhileTestingEndsTheTestEarly)
{
    // A slow reader over 16 MB: the check that goes away stops it between two reads.
    const std::string bytes(16 * 1024 * 1024, 'p');
    const tal::unique_handle reading(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(reading);
    std::atomic<std::size_t> read{0};
    {
        PayloadCheck check(bytes.data(), bytes.size(), [&](payload::byte_source& source) {
            char piece[4096];
            while (const std::size_t got = source.read(piece, sizeof piece)) {
                read += got;
                ::SetEvent(reading.get());
                ::Sleep(1);
            }
            return true;
        });
        check.Start(THREAD_PRIORITY_BELOW_NORMAL);
        ASSERT_EQ(::WaitForSingleObject(reading.get(), 20000), WAIT_OBJECT_0);
    }
    EXPECT_GT(read.load(), 0u);
    EXPECT_LT(read.load(), bytes.size());
}

} // namespace
