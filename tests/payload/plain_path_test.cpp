// Links below the roots that other users may write: which elements are looked at, the verdict
// on what is found there, and the engine refusing to write through a link.
#include <gtest/gtest.h>

#include <filesystem>

#include "payload/compress_error.h"
#include "payload/extract.h"
#include "payload/file_error.h"
#include "payload/memstream.h"
#include "payload/plain_path.h"
#include "payload/platform.h"
#include "decoders.h"
#include "test_support.h"

namespace {

using payload::element_state;
using payload::link_fault;

// A path written with "\\" in the host's own spelling.
std::wstring p(std::wstring path)
{
    for (wchar_t& c : path)
        if (c == L'\\')
            c = payload::platform::path_separator;
    return path;
}

TEST(ElementsBelow, EachFolderUnderTheRootThenTheTarget)
{
    struct {
        const wchar_t* root;
        const wchar_t* target;
        std::vector<std::wstring> expected;
    } const cases[] = {
        {L"C:\\ProgramData", L"C:\\ProgramData\\Marrowin\\Vantrel\\Brushes.vlib",
         {L"C:\\ProgramData\\Marrowin", L"C:\\ProgramData\\Marrowin\\Vantrel",
          L"C:\\ProgramData\\Marrowin\\Vantrel\\Brushes.vlib"}},
        {L"C:\\Games\\Vantrel\\", L"C:\\Games\\Vantrel\\Vantrel.exe", {L"C:\\Games\\Vantrel\\Vantrel.exe"}},
        {L"C:\\Games\\Vantrel", L"C:\\Games\\Vantrel/Lang\\\\x.dll",
         {L"C:\\Games\\Vantrel/Lang", L"C:\\Games\\Vantrel/Lang\\\\x.dll"}},
        // The root itself is never among them: a redirected root is followed.
        {L"C:\\Games\\Vantrel", L"C:\\Games\\Vantrel", {}},
        {L"C:\\Games\\Vantrel", L"C:\\Games\\Vantrel\\", {}},
        // Not below the root, or no root at all: nothing to look at.
        {L"C:\\Games\\Vantrel", L"C:\\Games\\Vantrel 7\\x.dll", {}},
        {L"C:\\Games\\Vantrel", L"D:\\Other\\x.dll", {}},
        {L"", L"C:\\Games\\x.dll", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(test::narrow(c.target));
        EXPECT_EQ(payload::elements_below(c.root, c.target), c.expected);
    }
}

TEST(JudgeElements, LinksAndSecondNamesBelowTheRootAreRefused)
{
    const element_state missing{};
    const element_state folder{true, true, false, 1};
    const element_state linked_folder{true, true, true, 1};
    const element_state file{true, false, false, 1};
    const element_state linked_file{true, false, true, 1};
    const element_state hard_linked_file{true, false, false, 2};
    struct {
        const char* name;
        std::vector<element_state> states;
        link_fault expected;
        std::size_t at;
    } const cases[] = {
        {"plain folders, new file", {folder, folder, missing}, link_fault::none, 0},
        {"plain folders, existing file", {folder, folder, file}, link_fault::none, 0},
        {"nothing there yet", {missing}, link_fault::none, 0},
        {"no element below the root", {}, link_fault::none, 0},
        {"a folder below the root is a link", {folder, linked_folder, missing}, link_fault::linked_folder, 1},
        {"the first folder is a link", {linked_folder, folder, file}, link_fault::linked_folder, 0},
        {"the file is a link", {folder, linked_file}, link_fault::linked_file, 1},
        {"the file has a second name", {folder, hard_linked_file}, link_fault::hard_linked_file, 1},
        {"a link to a folder where the file goes", {folder, linked_folder}, link_fault::linked_file, 1},
        // Folders have several names by nature ("." and their entry in the parent).
        {"a folder with several names", {element_state{true, true, false, 3}, missing}, link_fault::none, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::size_t at = 99;
        EXPECT_EQ(payload::judge_elements(c.states, &at), c.expected);
        if (c.expected != link_fault::none) {
            EXPECT_EQ(at, c.at);
        }
    }
}

// The same on the disk, and through the engine.
class LinksOnDisk : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const std::wstring& link : links)
            test::remove_folder_link(link);
    }

    // Skips the test where the system cannot make a folder link that it then reports.
    bool link(const std::wstring& at, const std::wstring& target)
    {
        std::filesystem::create_directories(test::to_path(target));
        std::filesystem::create_directories(test::to_path(at).parent_path());
        links.push_back(at);
        return test::make_folder_link(at, target);
    }

    std::error_code fault_code(const std::wstring& root, const std::wstring& target)
    {
        try {
            payload::check_plain_below(root, target);
        } catch (const payload::file_error& e) {
            return e.code();
        }
        return {};
    }

    test::temp_folder folder;
    std::vector<std::wstring> links;
    const std::error_code linked = payload::platform::link_fault_code(link_fault::linked_folder);
    const std::error_code hard_linked = payload::platform::link_fault_code(link_fault::hard_linked_file);
};

TEST_F(LinksOnDisk, TheRootIsFollowedWhatLiesBelowItIsNot)
{
    if (!link(folder.wide(L"root"), folder.wide(L"real root")))
        GTEST_SKIP() << "this system makes no folder link that it reports as one";
    const std::wstring root = folder.wide(L"root");
    test::write_file(test::to_path(folder.wide(p(L"real root\\Data\\kept.txt"))), "kept");
    EXPECT_EQ(fault_code(root, root + p(L"\\Data\\kept.txt")), std::error_code());
    EXPECT_EQ(fault_code(root, root + p(L"\\Data\\New\\new.txt")), std::error_code());

    ASSERT_TRUE(link(folder.wide(p(L"real root\\Linked")), folder.wide(L"elsewhere")));
    EXPECT_EQ(fault_code(root, root + p(L"\\Linked\\new.txt")), linked);
    EXPECT_EQ(fault_code(root, root + p(L"\\Linked\\Deeper\\new.txt")), linked);
    // Above the root, links are the system's business.
    EXPECT_EQ(fault_code(root + p(L"\\Linked"), root + p(L"\\Linked\\new.txt")), std::error_code());
}

TEST_F(LinksOnDisk, AFileWithASecondNameIsRefused)
{
    const std::wstring root = folder.wide(L"root");
    test::write_file(test::to_path(folder.wide(p(L"elsewhere\\original.txt"))), "original");
    test::write_file(test::to_path(root + p(L"\\plain.txt")), "plain");
    std::filesystem::create_directories(test::to_path(root + p(L"\\Data")));
    std::error_code error;
    std::filesystem::create_hard_link(test::to_path(folder.wide(p(L"elsewhere\\original.txt"))),
                                      test::to_path(root + p(L"\\Data\\second.txt")), error);
    ASSERT_FALSE(error) << error.message();
    EXPECT_EQ(fault_code(root, root + p(L"\\plain.txt")), std::error_code());
    EXPECT_EQ(fault_code(root, root + p(L"\\Data\\second.txt")), hard_linked);
}

// The engine over a hand-made archive: a link where a folder or file of ours should be stops
// the extraction before anything is written through it.
class EngineAndLinks : public LinksOnDisk, public ::testing::WithParamInterface<test::decoder> {
protected:
    bool extract(const test::archive_bytes& archive)
    {
        const std::string compressed = test::compress(archive.bytes());
        tal::imemstream source(compressed.data(), compressed.size());
        return payload::extract_archive(source, {folder.wide(L"app"), L"", folder.wide(L"tmp")}, log.callback(),
                                       GetParam().decoding);
    }

    test::recorder log;
};

INSTANTIATE_TEST_SUITE_P(BothDecoders, EngineAndLinks, test::both_decoders(), test::decoder_name);

TEST_P(EngineAndLinks, ALinkedFolderStopsTheExtraction)
{
    if (!link(folder.wide(p(L"app\\Lang")), folder.wide(L"elsewhere")))
        GTEST_SKIP() << "this system makes no folder link that it reports as one";
    test::archive_bytes archive;
    archive.add(L"Vantrel.exe", L"<InstallPath>", "program").add(L"Vantrel.en.dll", p(L"<InstallPath>\\Lang"), "english");
    EXPECT_FALSE(extract(archive));
    EXPECT_EQ(log.error, linked);
    EXPECT_EQ(log.error_path, folder.wide(p(L"app\\Lang\\Vantrel.en.dll"))); // the entry in progress
    EXPECT_EQ(test::read_file(test::to_path(folder.wide(p(L"app\\Vantrel.exe")))), "program");
    EXPECT_TRUE(std::filesystem::is_empty(test::to_path(folder.wide(L"elsewhere"))));
}

TEST_P(EngineAndLinks, ALinkedRootIsFollowed)
{
    if (!link(folder.wide(L"app"), folder.wide(L"real app")))
        GTEST_SKIP() << "this system makes no folder link that it reports as one";
    test::archive_bytes archive;
    archive.add(L"Vantrel.en.dll", p(L"<InstallPath>\\Lang"), "english");
    EXPECT_TRUE(extract(archive));
    EXPECT_EQ(test::read_file(test::to_path(folder.wide(p(L"real app\\Lang\\Vantrel.en.dll")))), "english");
}

TEST_P(EngineAndLinks, AnExistingTargetWithASecondNameIsNotOverwritten)
{
    const std::wstring original = folder.wide(p(L"elsewhere\\original.dll"));
    test::write_file(test::to_path(original), "someone else's file");
    std::filesystem::create_directories(test::to_path(folder.wide(p(L"app\\Lang"))));
    std::filesystem::create_hard_link(test::to_path(original), test::to_path(folder.wide(p(L"app\\Lang\\Vantrel.en.dll"))));
    test::archive_bytes archive;
    archive.add(L"Vantrel.en.dll", p(L"<InstallPath>\\Lang"), "english");
    EXPECT_FALSE(extract(archive));
    EXPECT_EQ(log.error, hard_linked);
    EXPECT_EQ(test::read_file(test::to_path(original)), "someone else's file");
}

TEST_P(EngineAndLinks, TheTargetFileIsOpenedAsItIs)
{
    // Past the check of the path, the open itself refuses a target with a second name.
    const std::wstring original = folder.wide(L"original.bin");
    const std::wstring second = folder.wide(L"second.bin");
    test::write_file(test::to_path(original), "someone else's file");
    std::filesystem::create_hard_link(test::to_path(original), test::to_path(second));
    try {
        payload::platform::output_file file(second);
        ADD_FAILURE() << "opened";
    } catch (const payload::file_error& e) {
        EXPECT_EQ(e.code(), hard_linked);
        EXPECT_EQ(e.path(), second);
    }
    EXPECT_EQ(test::read_file(test::to_path(original)), "someone else's file");
}

} // namespace
