// Version records of small modules built for the tests.
#include <windows.h>

#include <gtest/gtest.h>

#include "helper_process.h"
#include "support/version_info.h"

namespace {

std::wstring module_path(const wchar_t* name)
{
    return test::test_folder() + name;
}

TEST(VersionInfo, EverythingOfAReleaseBuild)
{
    tal::version_info info;
    info.request = tal::version_info::everything;
    ASSERT_TRUE(tal::read_version_info(info, module_path(L"version_release.dll").c_str()));
    EXPECT_EQ(info.title, L"Vantrel 7.05a");
    EXPECT_EQ(info.product_name, L"Vantrel");
    EXPECT_EQ(info.product_version, L"7.05a");
    EXPECT_EQ(info.description, L"Vantrel test module");
    EXPECT_EQ(info.copyright, L"Copyright (C) Marrowin");
    EXPECT_EQ(info.version, 0x0007000500010001ull);
    EXPECT_EQ(info.file_flags, 0u);
}

TEST(VersionInfo, PrivateAndDebugBuildsSayItInTheTitle)
{
    tal::version_info info;
    info.request = tal::version_info::title_bit | tal::version_info::file_flags_bit;
    ASSERT_TRUE(tal::read_version_info(info, module_path(L"version_private_debug.dll").c_str()));
    EXPECT_EQ(info.title, L"Vantrel 7.05a \u2013 Private \u2013 Debug");
    EXPECT_EQ(info.file_flags, static_cast<std::uint32_t>(VS_FF_PRIVATEBUILD | VS_FF_DEBUG));
    EXPECT_EQ(info.version, 0u); // not requested
}

TEST(VersionInfo, MissingProductNameFailsButKeepsTheRest)
{
    tal::version_info info;
    info.request = tal::version_info::everything;
    EXPECT_FALSE(tal::read_version_info(info, module_path(L"version_no_name.dll").c_str()));
    EXPECT_EQ(info.title, L" 7.05a");
    EXPECT_EQ(info.product_name, L"");
    EXPECT_EQ(info.product_version, L"7.05a");
    EXPECT_EQ(info.copyright, L"Copyright (C) Marrowin");
    EXPECT_EQ(info.version, 0x0007000500010001ull);
}

TEST(VersionInfo, OnlyRequestedFieldsAreTouched)
{
    tal::version_info info;
    info.request = tal::version_info::title_bit | tal::version_info::copyright_bit;
    info.product_name = L"kept";
    info.description = L"kept";
    info.file_flags = 77;
    ASSERT_TRUE(tal::read_version_info(info, module_path(L"version_release.dll").c_str()));
    EXPECT_EQ(info.title, L"Vantrel 7.05a");
    EXPECT_EQ(info.copyright, L"Copyright (C) Marrowin");
    EXPECT_EQ(info.product_name, L"kept");
    EXPECT_EQ(info.description, L"kept");
    EXPECT_EQ(info.file_flags, 77u);
}

TEST(VersionInfo, FilesWithoutARecord)
{
    tal::version_info info;
    info.request = tal::version_info::everything;
    info.title = L"stale";
    info.version = 5;
    EXPECT_FALSE(tal::read_version_info(info, module_path(L"hold_lock.exe").c_str()));
    EXPECT_EQ(info.title, L"");
    EXPECT_EQ(info.copyright, L"");
    EXPECT_EQ(info.version, 0u);
    EXPECT_FALSE(tal::read_version_info(info, module_path(L"missing.dll").c_str()));

    // A path too long for the system's buffers is not cut down to another file's name.
    const std::wstring long_path = module_path(L"") + std::wstring(300, L'x') + L"\\version_release.dll";
    EXPECT_FALSE(tal::read_version_info(info, long_path.c_str()));
}

TEST(VersionInfo, OwnExecutableWhenNoPathIsGiven)
{
    tal::version_info info;
    info.request = tal::version_info::product_name_bit;
    EXPECT_TRUE(tal::read_version_info(info));
    EXPECT_EQ(info.product_name, L"Vantrel support tests");
}

} // namespace
