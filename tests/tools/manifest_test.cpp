// Reading the release engineer's manifest: what it accepts and how it says what is wrong.
#include <gtest/gtest.h>

#include "test_support.h"
#include "tools/manifest.h"

namespace {

class Manifest : public ::testing::Test {
protected:
    test::temp_folder folder;

    std::filesystem::path write(const std::string& text)
    {
        test::write_file(folder.path() / "files" / "a.exe", "program");
        test::write_file(folder.path() / "files" / "b.dll", "module");
        const auto manifest = folder.path() / "payload.manifest";
        test::write_file(manifest, text);
        return manifest;
    }
};

TEST_F(Manifest, ReadsEntriesInOrderSkippingCommentsAndBlanks)
{
    const auto manifest = write("# the payload\n\n"
                                "files/b.dll\t<InstallPath>\\Lang\tlanguage_module\r\n"
                                "files/a.exe\t<InstallPath>\tprogram\n");
    const auto entries = tools::read_manifest(manifest);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].source, folder.path() / "files" / "b.dll");
    EXPECT_EQ(entries[0].destination, L"<InstallPath>\\Lang");
    EXPECT_EQ(entries[0].kind, 0u);
    EXPECT_EQ(entries[0].line, 3);
    EXPECT_EQ(entries[1].kind, 1u);
    EXPECT_TRUE(entries[1].source.is_absolute());
}

TEST_F(Manifest, StoredSourceIsTheWrittenPathWithWindowsSeparators)
{
    test::write_file(folder.path() / "files" / "sub" / "c.dat", "data");
    const std::vector<std::pair<std::string, std::wstring>> cases{
        {"files/a.exe", L"files\\a.exe"},
        {"./files/sub/c.dat", L"files\\sub\\c.dat"},
        {"files/sub/../b.dll", L"files\\b.dll"},
        {"files//a.exe", L"files\\a.exe"}};
    for (const auto& [written, stored] : cases) {
        const auto entries = tools::read_manifest(write(written + "\t<InstallPath>\tprogram\n"));
        ASSERT_EQ(entries.size(), 1u) << written;
        EXPECT_EQ(entries[0].stored_source, stored) << written;
        EXPECT_TRUE(entries[0].source.is_absolute()) << written;
    }
}

TEST_F(Manifest, KindNamesRoundTrip)
{
    for (const char* name : {"language_module", "program", "uninstaller", "user_data", "shared_data", "redistributable"})
        EXPECT_STREQ(tools::kind_name(*tools::parse_kind(name)), name);
    EXPECT_FALSE(tools::parse_kind("Program"));
}

TEST_F(Manifest, ErrorsNameTheLine)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        {"files/a.exe\t<InstallPath>\tprogram\nfiles/missing.exe\t<InstallPath>\tprogram\n", ":2: source file not found"},
        {"# x\nfiles/a.exe\t<InstallPath>\tbinary\n", ":2: unknown kind 'binary'"},
        {"files/a.exe <InstallPath> program\n", ":1: expected 3 tab-separated fields"},
        {"files/a.exe\t<InstallPath>\tprogram\textra\n", ":1: expected 3 tab-separated fields"},
        {"\t<InstallPath>\tprogram\n", ":1: empty source or destination"}};
    for (const auto& [text, message] : cases) {
        const auto manifest = write(text);
        try {
            tools::read_manifest(manifest);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const tools::manifest_error& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
}

} // namespace
