// The running-instance counter with other registered processes. These tests run alone:
// every test process of the family adds its own unit.
#include <windows.h>

#include <gtest/gtest.h>

#include "helper_process.h"
#include "support/counted_semaphore.h"

namespace {

TEST(RunningInstances, CountsEveryRegisteredProcess)
{
    ASSERT_TRUE(tal::running_instance_registered());
    EXPECT_EQ(tal::running_instance_count(), 1u);
    {
        test::helper_process first(L"registered_instance.exe", L"");
        EXPECT_EQ(tal::running_instance_count(), 2u);
        {
            test::helper_process second(L"registered_instance.exe", L"");
            EXPECT_EQ(tal::running_instance_count(), 3u);
            EXPECT_EQ(second.finish(), 0u);
        }
        EXPECT_EQ(tal::running_instance_count(), 2u);
        EXPECT_EQ(first.finish(), 0u);
    }
    EXPECT_EQ(tal::running_instance_count(), 1u);
}

TEST(RunningInstances, ReadingTheCountLeavesItUnchanged)
{
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(tal::running_instance_count(), 1u);
}

} // namespace
