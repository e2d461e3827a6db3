// Special folders on the host come from a table: the fallbacks and the failures of the
// tokens that stand for them.
#include <gtest/gtest.h>

#include "payload/compress_error.h"
#include "payload/destination.h"
#include "payload/extract.h"
#include "payload/memstream.h"
#include "payload/platform.h"
#include "decoders.h"
#include "test_support.h"

namespace {

using payload::resolve_destination;

constexpr int personal = 0x05, desktop = 0x10, common_desktop = 0x19, appdata = 0x1A, common_appdata = 0x23,
              windows = 0x24, system = 0x25, program_files = 0x26, program_common = 0x2B, common_documents = 0x2E;

class SpecialFolders : public ::testing::Test {
protected:
    void SetUp() override
    {
        payload::platform::set_special_folders({{personal, L"/s/Documents"},
                                                {desktop, L"/s/Desktop"},
                                                {common_desktop, L"/s/CommonDesktop"},
                                                {appdata, L"/s/UserData"},
                                                {common_appdata, L"/s/CommonData"},
                                                {windows, L"/s/WinDir"},
                                                {system, L"/s/System"},
                                                {program_files, L"/s/ProgramFiles"},
                                                {program_common, L"/s/ProgramCommon"},
                                                {common_documents, L"/s/CommonDocuments"}});
    }
    void TearDown() override { payload::platform::set_special_folders({}); }

    static void remove(int csidl)
    {
        std::map<int, std::wstring> table;
        for (int c : {personal, desktop, common_desktop, appdata, common_appdata, windows, system, program_files,
                      program_common, common_documents})
            table[c] = payload::platform::query_special_folder(c);
        table.erase(csidl);
        payload::platform::set_special_folders(table);
    }

    payload::destination_roots roots{L"/opt/app", L"", L""};
};

TEST_F(SpecialFolders, EveryTokenHasItsFolder)
{
    const std::vector<std::pair<std::wstring, std::wstring>> cases{
        {L"<ProgramFiles>", L"/s/ProgramFiles"},   {L"<ProgramCommon>", L"/s/ProgramCommon"},
        {L"<CommonData>", L"/s/CommonData"},       {L"<UserData>", L"/s/UserData"},
        {L"<CommonDocuments>", L"/s/CommonDocuments"}, {L"<Documents>", L"/s/Documents"},
        {L"<CommonDesktop>", L"/s/CommonDesktop"}, {L"<Desktop>", L"/s/Desktop"},
        {L"<WinDir>", L"/s/WinDir"},               {L"<System>", L"/s/System"},
        {L"<SamplePath>", L"/s/CommonDesktop"},    {L"<CommonData>\\Marrowin\\Vantrel", L"/s/CommonData/Marrowin/Vantrel"}};
    for (const auto& [token, folder] : cases)
        EXPECT_EQ(resolve_destination(token, roots), folder) << test::narrow(token);
}

TEST_F(SpecialFolders, SamplePathFollowsTheSamplesRule)
{
    payload::destination_roots relative = roots;
    relative.sample_path = L"Vantrel Examples";
    EXPECT_EQ(resolve_destination(L"<SamplePath>\\Sub", relative), L"/s/CommonDesktop/Vantrel Examples/Sub");
    payload::destination_roots absolute = roots;
    absolute.sample_path = L"/elsewhere/Samples";
    EXPECT_EQ(resolve_destination(L"<SamplePath>", absolute), L"/elsewhere/Samples");
    remove(common_desktop);
    EXPECT_EQ(resolve_destination(L"<SamplePath>", relative), L"/s/Desktop/Vantrel Examples");
}

TEST_F(SpecialFolders, FallbacksAreUsedWhereTheyExist)
{
    remove(common_appdata);
    EXPECT_EQ(resolve_destination(L"<CommonData>\\Marrowin\\Vantrel", roots), L"/s/UserData/Marrowin/Vantrel");
    remove(common_documents);
    EXPECT_EQ(resolve_destination(L"<CommonDocuments>", roots), L"/s/Documents");
    remove(common_desktop);
    EXPECT_EQ(resolve_destination(L"<CommonDesktop>", roots), L"/s/Desktop");
}

TEST_F(SpecialFolders, MissingFolderWithoutFallbackIsUnexpectedError)
{
    remove(appdata);
    for (const std::wstring token : {L"<UserData>", L"<CommonData>"}) {
        remove(common_appdata);
        try {
            resolve_destination(token, roots);
            ADD_FAILURE() << "resolved " << test::narrow(token) << " without its folder";
        } catch (const std::system_error& e) {
            EXPECT_EQ(e.code(), make_error_code(payload::compress_errc::unexpected_error));
        }
    }
}

class SpecialFoldersExtraction : public SpecialFolders, public ::testing::WithParamInterface<test::decoder> {};

INSTANTIATE_TEST_SUITE_P(BothDecoders, SpecialFoldersExtraction, test::both_decoders(), test::decoder_name);

TEST_P(SpecialFoldersExtraction, MissingFolderStopsExtractionBeforeAnyFile)
{
    remove(appdata);
    test::temp_folder folder;
    test::archive_bytes archive;
    archive.add(L"a.txt", L"<InstallPath>", "alpha").add(L"u.bmp", L"<UserData>\\Marrowin", "user");
    const std::string compressed = test::compress(archive.bytes());
    tal::imemstream source(compressed.data(), compressed.size());
    test::recorder log;
    EXPECT_FALSE(payload::extract_archive(source, {folder.wide(L"app"), L"", L""}, log.callback(), GetParam().decoding));
    EXPECT_EQ(log.error, make_error_code(payload::compress_errc::unexpected_error));
    EXPECT_EQ(log.error_path, L"");
    EXPECT_EQ(log.count("begin"), 0);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "app"));
}

} // namespace
