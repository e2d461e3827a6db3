// The platform check's decisions, and the order of the checks during static initialisation.
#include <windows.h>

#include <gtest/gtest.h>

#include <clocale>

#include "holders/handles.h"
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

TEST(PlatformCheck, TextConversionNeedsTheRuntimesLocaleAndTheCodePage)
{
    const wchar_t* runtime = ::_wsetlocale(LC_ALL, nullptr);
    ASSERT_NE(runtime, nullptr);
    EXPECT_TRUE(tal::text_conversion_works(runtime, CP_ACP));
    EXPECT_TRUE(tal::text_conversion_works(L"C", CP_UTF8));
    EXPECT_FALSE(tal::text_conversion_works(nullptr, CP_ACP)); // the runtime did not answer
    EXPECT_FALSE(tal::text_conversion_works(L"", CP_ACP));
    EXPECT_FALSE(tal::text_conversion_works(L"C", 59999)); // no such code page
}

// The first initialiser has left this program's folder out of the DLL search: a library that
// lies beside the program is not found by its name, although it loads from there when asked.
TEST(PlatformCheck, DllsByNameComeFromTheSystemFolderOnly)
{
    const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    if (!::GetProcAddress(kernel32, "SetDefaultDllDirectories"))
        GTEST_SKIP() << "this system cannot restrict the search";
    // A resource-only module of the tests, in the folder of this program. By name first: a
    // module already loaded would be found by its name wherever it came from.
    const wchar_t* const beside = L"version_release.dll";
    ::SetLastError(ERROR_SUCCESS);
    const tal::unique_hmodule by_name(::LoadLibraryW(beside));
    const DWORD error = ::GetLastError();
    const tal::unique_hmodule from_program_folder(
        ::LoadLibraryExW(beside, nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR));
    ASSERT_TRUE(from_program_folder) << ::GetLastError();
    EXPECT_FALSE(by_name) << "found beside the program by its name alone";
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    const tal::unique_hmodule system_version(::LoadLibraryW(L"version.dll"));
    ASSERT_TRUE(system_version);
    wchar_t system[MAX_PATH];
    ASSERT_NE(::GetSystemDirectoryW(system, MAX_PATH), 0u);
    wchar_t loaded[MAX_PATH];
    ASSERT_NE(::GetModuleFileNameW(system_version.get(), loaded, MAX_PATH), 0u);
    EXPECT_EQ(::CompareStringOrdinal(loaded, static_cast<int>(wcslen(system)), system, -1, TRUE), CSTR_EQUAL);
}

} // namespace
