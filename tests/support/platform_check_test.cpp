// The platform check's decisions, and the order of the checks during static initialisation.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/counted_semaphore.h"
#include "support/platform_check.h"

namespace {

using tal::version_verdict;

// Built at the default priority, like the application object: both checks and the
// registration have run by then.
struct observed_at_start {
    bool version_ok = tal::windows_version_ok;
    bool registered = tal::running_instance_registered();
};
const observed_at_start at_start;

TEST(PlatformCheck, ChecksRunBeforeTheProgramsOwnObjects)
{
    EXPECT_TRUE(at_start.version_ok);
    EXPECT_TRUE(at_start.registered);
}

struct version_case {
    bool sse2;
    bool known;
    DWORD major, minor;
    WORD service_pack;
    version_verdict expected;
};

TEST(PlatformCheck, WindowsVersionsAndServicePacks)
{
    const std::vector<version_case> cases{
        {false, true, 10, 0, 0, version_verdict::incompatible}, // no SSE2: refused before the version
        {true, false, 0, 0, 0, version_verdict::version_query_failed},
        {true, true, 5, 1, 2, version_verdict::incompatible},   // XP SP2
        {true, true, 5, 1, 3, version_verdict::accepted},       // XP SP3
        {true, true, 5, 2, 1, version_verdict::incompatible},   // Server 2003 SP1
        {true, true, 5, 2, 2, version_verdict::accepted},       // Server 2003 SP2
        {true, true, 5, 0, 4, version_verdict::unknown_version}, // Windows 2000
        {true, true, 5, 3, 0, version_verdict::unknown_version},
        {true, true, 6, 0, 0, version_verdict::accepted},       // Vista without a service pack
        {true, true, 6, 1, 1, version_verdict::accepted},
        {true, true, 10, 0, 0, version_verdict::accepted},
    };
    for (const version_case& c : cases)
        EXPECT_EQ(tal::judge_windows_version(c.sse2, c.known, c.major, c.minor, c.service_pack), c.expected)
            << c.major << "." << c.minor << " SP" << c.service_pack << (c.sse2 ? "" : " without SSE2");
}

TEST(PlatformCheck, RefusalTexts)
{
    EXPECT_STREQ(tal::version_verdict_text(version_verdict::incompatible),
                 L"This Version is not compatible with your Configuration.\n\n"
                 L"Cette version n'est pas compatible avec votre configuration.\n\n"
                 L"Diese Version ist nicht mit Ihrer Konfiguration kompatibel.");
    EXPECT_STREQ(tal::version_verdict_text(version_verdict::version_query_failed), L"GetVersionEx() failed");
    EXPECT_STREQ(tal::version_verdict_text(version_verdict::unknown_version), L"Unknown System Version");
}

TEST(PlatformCheck, ThisSystemPasses)
{
    // Wine passes the Unix LANG to programs, which this runtime cannot make a locale of: the
    // check must not end the installer for that.
    EXPECT_TRUE(tal::check_windows_version());
    EXPECT_TRUE(tal::check_locale_initialization());
}

} // namespace
