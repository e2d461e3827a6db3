// Where the run's temporary folder goes: below TEMP when the name fits, else below the
// Windows folder's Temp, else nowhere.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/path.h"
#include "support/temporary_folder.h"
#include "test_support.h"

namespace {

const std::wstring name = L"marrowin_{0c6e3b5e-6f7a-4c1b-9d2e-3f4a5b6c7d8e}"; // 47 characters

// A TEMP path of `length` characters, its trailing backslash included.
std::wstring temp_of_length(std::size_t length)
{
    const std::wstring root = L"C:\\Users\\Long\\";
    return root + std::wstring(length - root.size() - 1, L't') + L"\\";
}

TEST(TemporaryFolder, BelowTempWhileTheNameFitsElseBelowTheWindowsTemp)
{
    test::temp_folder windows;
    ::CreateDirectoryW(windows.wide(L"Temp").c_str(), nullptr);
    struct {
        std::size_t temp_length;
        bool below_temp;
    } const cases[] = {{20, true}, {212, true}, {213, false}, {231, false}, {246, false}, {300, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.temp_length);
        const std::wstring temp = temp_of_length(c.temp_length);
        ASSERT_EQ(temp.size(), c.temp_length);
        DWORD error = 1;
        const std::wstring path = tal::choose_temporary_path(temp, windows.wide(), name, error);
        EXPECT_EQ(error, static_cast<DWORD>(ERROR_SUCCESS));
        EXPECT_EQ(path, c.below_temp ? temp + name : windows.wide(L"Temp\\") + name);
        EXPECT_LE(path.size(), 259u);
    }
}

TEST(TemporaryFolder, NoFolderWhenTheWindowsTempCannotTakeItEither)
{
    test::temp_folder windows;
    const std::wstring temp = temp_of_length(231);
    DWORD error = 0;
    // No Temp in the Windows folder.
    EXPECT_EQ(tal::choose_temporary_path(temp, windows.wide(), name, error), L"");
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    // A Windows folder as long as TEMP.
    EXPECT_EQ(tal::choose_temporary_path(temp, temp, name, error), L"");
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(tal::choose_temporary_path(temp, L"", name, error), L"");
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
}

TEST(TemporaryFolder, ThisMachinesTempHoldsIt)
{
    const std::wstring temp = tal::system_temporary_folder();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), L'\\');
    DWORD error = 1;
    EXPECT_EQ(tal::temporary_path_for(name, error), temp + name);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_SUCCESS));
}

TEST(TemporaryFolder, TheRunsFolderLeavesRoomForTheBackupNames)
{
    test::temp_folder windows;
    ::CreateDirectoryW(windows.wide(L"Temp").c_str(), nullptr);
    // GetTempFileNameW names the backups in it and takes no folder over 246 characters.
    struct {
        std::size_t temp_length;
        bool below_temp;
    } const cases[] = {{20, true}, {199, true}, {200, false}, {212, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.temp_length);
        const std::wstring temp = temp_of_length(c.temp_length);
        DWORD error = 1;
        const std::wstring path =
            tal::choose_temporary_path(temp, windows.wide(), name, error, tal::temporary_folder_room);
        EXPECT_EQ(error, static_cast<DWORD>(ERROR_SUCCESS));
        EXPECT_EQ(path, c.below_temp ? temp + name : windows.wide(L"Temp\\") + name);
        EXPECT_LE(path.size(), 246u);
    }

    // This machine's run with a TEMP that holds the name but no backup below it.
    wchar_t saved[tal::max_path] = {};
    const DWORD saved_length = ::GetEnvironmentVariableW(L"TMP", saved, tal::max_path);
    const std::wstring temp = temp_of_length(205);
    ::SetEnvironmentVariableW(L"TMP", temp.c_str());
    DWORD error = 1;
    const std::wstring path = tal::temporary_path_for(name, error);
    ::SetEnvironmentVariableW(L"TMP", saved_length ? saved : nullptr);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(path, tal::append_path(tal::windows_folder(), L"Temp\\" + name));
}

} // namespace
