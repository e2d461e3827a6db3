// The installer lock, shared-object names and the semaphore's bookkeeping, with a second
// process where one is the point.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "helper_process.h"
#include "support/counted_semaphore.h"
#include "support/global_objects.h"
#include "support/named_mutex.h"
#include "support/object_names.h"

namespace {

TEST(GlobalObjects, PrefixFollowsThePlatform)
{
    EXPECT_STREQ(tal::global_prefix_for(VER_PLATFORM_WIN32_NT, 5), L"Global\\");
    EXPECT_STREQ(tal::global_prefix_for(VER_PLATFORM_WIN32_NT, 10), L"Global\\");
    EXPECT_STREQ(tal::global_prefix_for(VER_PLATFORM_WIN32_NT, 4), L"");
    EXPECT_STREQ(tal::global_prefix_for(VER_PLATFORM_WIN32_WINDOWS, 5), L"");
    EXPECT_EQ(tal::global_object_prefix(), L"Global\\");
}

TEST(GlobalObjects, CreationReportsAnExistingObject)
{
    const std::wstring name = L"vantrel-test-mutex-" + std::to_wstring(::GetCurrentProcessId());
    const tal::unique_handle first(tal::create_global_mutex(false, name.c_str()));
    ASSERT_TRUE(first);
    EXPECT_EQ(::GetLastError(), ERROR_SUCCESS);
    const tal::unique_handle second(tal::create_global_mutex(false, name.c_str()));
    ASSERT_TRUE(second);
    EXPECT_EQ(::GetLastError(), ERROR_ALREADY_EXISTS);
    // The object lives in the global namespace under its full name.
    const tal::unique_handle opened(::OpenMutexW(SYNCHRONIZE, FALSE, (L"Global\\" + name).c_str()));
    EXPECT_TRUE(opened);

    const std::wstring semaphore_name = name + L"-semaphore";
    const tal::unique_handle semaphore(tal::create_global_semaphore(2, 5, semaphore_name.c_str()));
    ASSERT_TRUE(semaphore);
    LONG previous = -1;
    EXPECT_TRUE(::ReleaseSemaphore(semaphore.get(), 3, &previous));
    EXPECT_EQ(previous, 2);
    EXPECT_FALSE(::ReleaseSemaphore(semaphore.get(), 1, nullptr)); // at its maximum
}

TEST(InstallerLock, HeldByAnotherInstaller)
{
    const std::wstring name = std::wstring(tal::installer_lock_name) + L"-" + std::to_wstring(::GetCurrentProcessId());
    tal::named_mutex lock(name.c_str(), false, true);
    EXPECT_FALSE(lock.owned());
    {
        test::helper_process other(L"hold_lock.exe", name);
        EXPECT_FALSE(lock.try_acquire());
        EXPECT_FALSE(lock.owned());
        EXPECT_EQ(other.finish(), 0u);
    }
    EXPECT_TRUE(lock.try_acquire());
    EXPECT_TRUE(lock.owned());
    lock.release();
    EXPECT_FALSE(lock.owned());
}

TEST(InstallerLock, AbandonedByACrashCountsAsAcquired)
{
    const std::wstring name = std::wstring(tal::installer_lock_name) + L"-crash-" + std::to_wstring(::GetCurrentProcessId());
    tal::named_mutex lock(name.c_str(), false, true);
    test::helper_process other(L"hold_lock.exe", name);
    EXPECT_FALSE(lock.try_acquire());
    other.kill();
    EXPECT_TRUE(lock.try_acquire());
}

TEST(InstallerLock, InitialOwnerWaitsForAnExistingMutex)
{
    // Another process holds the mutex: an initial owner here waits until it is let go, and then
    // really holds it.
    const std::wstring name = std::wstring(tal::installer_lock_name) + L"-owner-" + std::to_wstring(::GetCurrentProcessId());
    auto other = std::make_unique<test::helper_process>(L"hold_lock.exe", name);
    const tal::unique_handle constructed(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const tal::unique_handle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    bool owned = false;
    std::thread owner([&] {
        tal::named_mutex lock(name.c_str(), true, true);
        owned = lock.owned();
        ::SetEvent(constructed.get());
        ::WaitForSingleObject(done.get(), 20000);
    });
    EXPECT_EQ(::WaitForSingleObject(constructed.get(), 500), static_cast<DWORD>(WAIT_TIMEOUT)); // still waiting
    EXPECT_EQ(other->finish(), 0u);
    other.reset();
    EXPECT_EQ(::WaitForSingleObject(constructed.get(), 20000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(owned);
    // The owner's thread holds it: no one else gets it meanwhile.
    const tal::unique_handle probe(::OpenMutexW(SYNCHRONIZE, FALSE, (tal::global_object_prefix() + name).c_str()));
    EXPECT_TRUE(probe);
    if (probe) {
        EXPECT_EQ(::WaitForSingleObject(probe.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    }
    ::SetEvent(done.get());
    owner.join();
}

TEST(InstallerLock, NullHandleIsNeverAcquired)
{
    // A name with a backslash outside a namespace cannot be created.
    tal::named_mutex broken(L"no\\such\\namespace", false, false);
    EXPECT_EQ(broken.handle(), nullptr);
    EXPECT_FALSE(broken.try_acquire());
}

TEST(CountedSemaphore, TakesAllOrNothingAndGivesBackAtTheEnd)
{
    const std::wstring name = L"vantrel-test-count-" + std::to_wstring(::GetCurrentProcessId());
    const tal::unique_handle observer(::CreateSemaphoreW(nullptr, 3, 100, name.c_str()));
    const auto count = [&] {
        LONG previous = 0;
        ::ReleaseSemaphore(observer.get(), 1, &previous);
        ::WaitForSingleObject(observer.get(), 0);
        return previous;
    };
    {
        tal::counted_semaphore semaphore;
        semaphore.reset(::CreateSemaphoreW(nullptr, 0, 100, name.c_str()));
        EXPECT_TRUE(semaphore.take(2));
        EXPECT_EQ(semaphore.balance(), -2);
        EXPECT_EQ(count(), 1);
        EXPECT_FALSE(semaphore.take(2)); // only one left: nothing is taken
        EXPECT_EQ(count(), 1);
        EXPECT_EQ(semaphore.balance(), -2);
        EXPECT_TRUE(semaphore.give(5));
        EXPECT_EQ(semaphore.balance(), 3);
        EXPECT_EQ(count(), 6);
    }
    EXPECT_EQ(count(), 3); // the destructor undid the balance
}

} // namespace
