// The rights of a new installation folder outside Program Files and of the uninstall log: which
// folder gets them, and that a link in its place is refused, not followed. (The descriptors
// themselves are read back in the uninstaller's tests: Wine keeps no DACL on files.)
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "command_line.h"
#include "install/product_rights.h"
#include "state/journal.h"
#include "state_fixture.h"

namespace {

// ERROR_REPARSE_POINT_ENCOUNTERED.
constexpr DWORD reparse_point_encountered = 4395;

std::wstring program_files()
{
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, path);
    return path;
}

TEST(ProductRights, BelowProgramFiles)
{
    const std::vector<std::wstring> both{L"C:\\Program Files (x86)", L"C:\\Program Files"};
    struct below_case {
        const wchar_t* folder;
        bool below;
    };
    const below_case cases[] = {
        {L"C:\\Program Files\\Marrowin\\Vantrel 7", true},
        {L"c:\\program files (x86)\\Marrowin\\Vantrel 7", true},
        {L"C:\\Program Files", true},
        {L"C:\\Program Files\\", true},
        {L"C:\\Programs\\Vantrel 7", false},
        {L"C:\\Program Files2\\Vantrel 7", false},
        {L"C:\\Program Files\\..\\Vantrel 7", false},
        {L"C:\\Vantrel 7", false},
        {L"D:\\Program Files\\Vantrel 7", false},
    };
    for (const below_case& c : cases)
        EXPECT_EQ(IsBelowProgramFiles(c.folder, both), c.below) << test::narrow(c.folder);
    const std::vector<std::wstring> folders = ProgramFilesFolders();
    ASSERT_FALSE(folders.empty());
    EXPECT_EQ(folders.front(), program_files());
    EXPECT_TRUE(IsBelowProgramFiles(program_files() + L"\\Marrowin\\Vantrel 7", folders));
}

TEST(ProductRights, PlainFolderAndLogAreSecured)
{
    test::scratch_folder scratch;
    const std::wstring folder = scratch / L"Vantrel 7";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    EXPECT_EQ(SecureInstallFolder(folder), static_cast<DWORD>(ERROR_SUCCESS));
    const std::wstring log = folder + L"\\Uninstall.ulog";
    test::write_text(log, "log");
    ::SetFileAttributesW(log.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(SecureUninstallLog(log), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(test::read_bytes(log), "log"); // still readable by its owner here
    EXPECT_EQ(SecureUninstallLog(folder + L"\\missing.ulog"), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    ::SetFileAttributesW(log.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ProductRights, ALinkInTheFoldersPlaceIsRefused)
{
    test::scratch_folder scratch;
    ::CreateDirectoryW((scratch / L"Target").c_str(), nullptr);
    const std::wstring link = scratch / L"Vantrel 7";
    if (!test::make_folder_link(link, scratch / L"Target"))
        GTEST_SKIP() << "this system makes no folder links";
    EXPECT_EQ(SecureInstallFolder(link), reparse_point_encountered);
    EXPECT_EQ(SecureUninstallLog(link), reparse_point_encountered);
    test::remove_folder_link(link);
}

// The run records a file, which creates its folders; a user then swaps the new installation
// folder for a link before its rights are set. Whether the run tries (and refuses the link)
// shows which folder it secures.
class NewInstallFolder : public ::testing::Test {
protected:
    DWORD record_then_swap(const std::wstring& parent, const std::wstring& folder_name, const std::wstring& install)
    {
        InstallJournal journal(L"Vantrel 7.05a", L"Vantrel 7");
        const std::size_t before = journal.current_entries.size();
        const std::wstring folder = parent + L"\\" + folder_name;
        created.push_back(folder);
        journal.RecordFile(folder + L"\\Sub\\Vantrel.exe", 1, false);
        journal.CloseEntry(true);
        EXPECT_TRUE(::RemoveDirectoryW((folder + L"\\Sub").c_str()));
        EXPECT_TRUE(::RemoveDirectoryW(folder.c_str()));
        if (!test::make_folder_link(folder, target.path()))
            return ERROR_NOT_SUPPORTED;
        return SecureNewInstallFolder(journal, before, install);
    }
    void TearDown() override
    {
        for (const std::wstring& folder : created) {
            test::remove_folder_link(folder);
            test::remove_tree(folder);
        }
    }

    test::scratch_folder scratch, target;
    std::vector<std::wstring> created;
};

TEST_F(NewInstallFolder, OutsideProgramFilesItIsSecured)
{
    const DWORD result = record_then_swap(scratch.path(), L"Vantrel 7", scratch / L"Vantrel 7");
    if (result == ERROR_NOT_SUPPORTED)
        GTEST_SKIP() << "this system makes no folder links";
    EXPECT_EQ(result, reparse_point_encountered);
}

TEST_F(NewInstallFolder, OnlyTheInstallationFolderAndOnlyOutsideProgramFiles)
{
    // Another folder than the installation folder was created: not touched.
    DWORD result = record_then_swap(scratch.path(), L"Data", scratch / L"Vantrel 7");
    if (result == ERROR_NOT_SUPPORTED)
        GTEST_SKIP() << "this system makes no folder links";
    EXPECT_EQ(result, static_cast<DWORD>(ERROR_SUCCESS));
    // Below Program Files it keeps what Program Files passes on.
    const std::wstring folder = program_files() + L"\\Vantrel Rights Test";
    EXPECT_EQ(record_then_swap(program_files(), L"Vantrel Rights Test", folder), static_cast<DWORD>(ERROR_SUCCESS));
    // A folder that existed before the file was recorded was not created by this run.
    InstallJournal journal(L"Vantrel 7.05a", L"Vantrel 7");
    const std::wstring existing = scratch / L"Existing";
    ::CreateDirectoryW(scratch.path().c_str(), nullptr);
    ASSERT_TRUE(test::make_folder_link(existing, target.path()));
    created.push_back(existing);
    const std::size_t before = journal.current_entries.size();
    journal.RecordFile(existing + L"\\Vantrel.exe", 1, false);
    journal.CloseEntry(true);
    EXPECT_EQ(SecureNewInstallFolder(journal, before, existing), static_cast<DWORD>(ERROR_SUCCESS));
}

} // namespace
