// The uninstall log written and read through real files: exact bytes, the merge with the
// previous log, and the round trip.
#include <windows.h>

#include <gtest/gtest.h>

#include "state/journal.h"
#include "state_fixture.h"

namespace {

JournalEntry entry(journal_kind kind, std::wstring path, bool succeeded, std::uint32_t value = no_archive_kind)
{
    return {kind, std::move(path), {}, succeeded, value, {}};
}

class UninstallLog : public ::testing::Test {
protected:
    test::scratch_folder folder;
    std::wstring log = folder / L"Uninstall.ulog";
    InstallJournal journal{L"Vantrel 7.05a", L"Vantrel 7"};
};

TEST_F(UninstallLog, FreshInstallationExactBytes)
{
    journal.current_entries = {entry(journal_kind::folder, L"D:\\Programs\\Vantrel 7", true),
                               entry(journal_kind::file, L"D:\\Programs\\Vantrel 7\\Lang\\Vantrel.en.dll", true, 0),
                               entry(journal_kind::file, L"D:\\Programs\\Vantrel 7\\Vantrel.exe", true, 1),
                               entry(journal_kind::file, L"D:\\Programs\\Vantrel 7\\Uninstall.exe", true, 2),
                               entry(journal_kind::file, L"C:\\Users\\Me\\AppData\\UserImages.bmp", false, 3),
                               entry(journal_kind::file, L"C:\\ProgramData\\Textures\\Wood.jpg", true, 4),
                               entry(journal_kind::program_shortcut, L"C:\\Menu\\Vantrel 7\\Vantrel 7.05a.lnk", true),
                               entry(journal_kind::uninstaller_shortcut, L"", false),
                               entry(journal_kind::desktop_shortcut, L"C:\\Users\\Public\\Desktop\\Vantrel.lnk", true),
                               entry(journal_kind::uninstall_key, L"", true),
                               entry(journal_kind::directx_update, L"DirectX 9.0c (4.09.00.0904)", true),
                               entry(journal_kind::registration, L"", false)};

    ASSERT_TRUE(journal.WriteLog(log, L"D:\\Programs\\Vantrel 7", L"C:\\Menu\\Vantrel 7"));

    const std::wstring expected =
        L"// Uninstall Log File v1\r\n"
        L"// ############ WARNING: Do not delete or modify this file. ############\r\n"
        L"// Install Vantrel 7.05a\r\n"
        L"// Install Path : D:\\Programs\\Vantrel 7\r\n"
        L"// Shortcut Path : C:\\Menu\\Vantrel 7\r\n"
        L"// " + std::wstring(33, L'-') + L"\r\n"
        L"0000:00ff:1 -- D:\\Programs\\Vantrel 7\r\n"
        L"0001:0100:1 -- D:\\Programs\\Vantrel 7\\Lang\\Vantrel.en.dll\r\n"
        L"0002:0101:1 -- D:\\Programs\\Vantrel 7\\Vantrel.exe\r\n"
        L"0003:0102:1 -- D:\\Programs\\Vantrel 7\\Uninstall.exe\r\n"
        L"0004:0103:0 -- C:\\Users\\Me\\AppData\\UserImages.bmp\r\n"
        L"0005:0104:1 -- C:\\ProgramData\\Textures\\Wood.jpg\r\n"
        L"0006:02ff:1 -- C:\\Menu\\Vantrel 7\\Vantrel 7.05a.lnk\r\n"
        L"0007:03ff:0 -- \r\n"
        L"0008:04ff:1 -- C:\\Users\\Public\\Desktop\\Vantrel.lnk\r\n"
        L"0009:05ff:1 -- HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel 7\r\n"
        L"0010:07ff:1 -- DirectX 9.0c (4.09.00.0904)\r\n"
        L"0011:06ff:0 -- HKEY_CLASSES_ROOT\\...\r\n";
    EXPECT_EQ(test::read_bytes(log), test::utf16_file(expected));
    const DWORD attributes = ::GetFileAttributesW(log.c_str());
    EXPECT_EQ(attributes & ~DWORD{FILE_ATTRIBUTE_NOT_CONTENT_INDEXED}, DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE});
    // Wine keeps no not-content-indexed attribute; Windows must show it.
    if (!test::running_under_wine()) {
        EXPECT_TRUE(attributes & FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    }
}

TEST_F(UninstallLog, UpdateHeaderEmptyShortcutFolderAndFiveDigitPositions)
{
    journal.previous_title = L"Vantrel 7.04";
    for (int i = 0; i < 10001; ++i)
        journal.current_entries.push_back(entry(journal_kind::file, L"D:\\f" + std::to_wstring(i), true, 4));
    // An existing read-only log is replaced.
    test::write_text(log, "old");
    ::SetFileAttributesW(log.c_str(), FILE_ATTRIBUTE_READONLY);

    ASSERT_TRUE(journal.WriteLog(log, L"D:\\Programs\\Vantrel 7", L""));

    const std::string bytes = test::read_bytes(log);
    const std::wstring head = L"// Uninstall Log File v1\r\n"
                              L"// ############ WARNING: Do not delete or modify this file. ############\r\n"
                              L"// Install Vantrel 7.05a -- Update (Vantrel 7.04)\r\n"
                              L"// Install Path : D:\\Programs\\Vantrel 7\r\n"
                              L"// Shortcut Path : \r\n"
                              L"// ----------------\r\n"
                              L"0000:0104:1 -- D:\\f0\r\n";
    EXPECT_EQ(bytes.substr(0, test::utf16_file(head).size()), test::utf16_file(head));
    const std::string tail = test::utf16_file(L"9999:0104:1 -- D:\\f9999\r\n10000:0104:1 -- D:\\f10000\r\n").substr(2);
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
}

TEST_F(UninstallLog, MergeKeepsUncoveredOldEntriesInFront)
{
    journal.previous_entries = {entry(journal_kind::folder, L"D:\\Old", true),
                                entry(journal_kind::file, L"D:\\Old\\Plugin.dll", true, 1),
                                entry(journal_kind::file, L"D:\\Old\\Vantrel.exe", true, 1),
                                entry(journal_kind::program_shortcut, L"C:\\Menu\\Old.lnk", true),
                                entry(journal_kind::desktop_shortcut, L"C:\\Desktop\\Old.lnk", true),
                                entry(journal_kind::uninstall_key, L"", true),
                                entry(journal_kind::registration, L"", true),
                                entry(journal_kind::directx_update, L"old DirectX", true),
                                entry(journal_kind::file, L"D:\\Old\\Notes.txt", true, 3)};
    journal.current_entries = {entry(journal_kind::file, L"d:\\old\\VANTREL.EXE", true, 1), // same path, other case
                               entry(journal_kind::program_shortcut, L"C:\\Menu\\New.lnk", true),
                               entry(journal_kind::uninstall_key, L"", true),
                               entry(journal_kind::registration, L"", true),
                               entry(journal_kind::directx_update, L"new DirectX", true)};

    ASSERT_TRUE(journal.WriteLog(log, L"D:\\Old", L"C:\\Menu"));

    EXPECT_TRUE(journal.previous_entries.empty());
    std::vector<std::wstring> paths;
    for (const JournalEntry& e : journal.current_entries)
        paths.push_back(e.path);
    const std::vector<std::wstring> expected{L"D:\\Old",
                                             L"D:\\Old\\Plugin.dll",
                                             L"C:\\Desktop\\Old.lnk",
                                             L"D:\\Old\\Notes.txt",
                                             L"d:\\old\\VANTREL.EXE",
                                             L"C:\\Menu\\New.lnk",
                                             L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel 7",
                                             L"HKEY_CLASSES_ROOT\\...",
                                             L"new DirectX"};
    EXPECT_EQ(paths, expected);
    const std::string bytes = test::read_bytes(log);
    EXPECT_NE(bytes.find(test::utf16_file(L"0001:0101:1 -- D:\\Old\\Plugin.dll\r\n").substr(2)), std::string::npos);
    EXPECT_NE(bytes.find(test::utf16_file(L"0004:0101:1 -- d:\\old\\VANTREL.EXE\r\n").substr(2)), std::string::npos);
}

TEST_F(UninstallLog, WriteThenReadGivesTheSameJournal)
{
    const std::wstring install = folder / L"Vantrel 7";
    const std::wstring menu = folder / L"Menu";
    ::CreateDirectoryW(install.c_str(), nullptr);
    ::CreateDirectoryW(menu.c_str(), nullptr);
    journal.previous_title = L"Vantrel 7.04";
    journal.current_entries = {entry(journal_kind::folder, install, true),
                               entry(journal_kind::file, install + L"\\Vantrel.exe", true, 1),
                               entry(journal_kind::file, install + L"\\User \u00e9t\u00e9.bmp", false, 3),
                               entry(journal_kind::desktop_shortcut, L"C:\\Desktop\\V.lnk", true),
                               entry(journal_kind::uninstall_key, L"", true),
                               entry(journal_kind::registration, L"", true),
                               entry(journal_kind::directx_update, L"DirectX", false)};
    const std::list<JournalEntry> written = journal.current_entries;
    ASSERT_TRUE(journal.WriteLog(log, install, menu));

    InstallJournal next(L"Vantrel 7.05a", L"Vantrel 7");
    next.ReadLog(log.c_str());
    EXPECT_EQ(next.previous_title, L"Vantrel 7.05a");
    EXPECT_EQ(next.previous_install_folder, install);
    EXPECT_EQ(next.previous_shortcut_folder, menu);
    ASSERT_EQ(next.previous_entries.size(), written.size());
    auto read = next.previous_entries.begin();
    for (const JournalEntry& w : written) {
        EXPECT_EQ(read->kind, w.kind);
        EXPECT_EQ(read->value, w.value);
        EXPECT_EQ(read->succeeded, w.succeeded);
        const bool no_text = w.kind == journal_kind::uninstall_key || w.kind == journal_kind::registration;
        EXPECT_EQ(read->path, no_text ? L"" : w.path);
        EXPECT_TRUE(read->backup.empty());
        ++read;
    }
    EXPECT_TRUE(next.WasInstalled(install + L"\\Vantrel.exe"));
    EXPECT_FALSE(next.WasInstalled(install + L"\\vantrel.exe")); // case-sensitive
    EXPECT_FALSE(next.WasInstalled(install + L"\\User \u00e9t\u00e9.bmp")); // not succeeded
}

TEST_F(UninstallLog, ReadingWithoutALogOnlyClearsTheFolders)
{
    // Everything the journal holds is set first; without a log (none named, or none there)
    // only the two folders go.
    const std::list<JournalEntry> previous{entry(journal_kind::file, L"D:\\Old\\Vantrel.exe", true, 1),
                                           entry(journal_kind::directx_update, L"DirectX", true)};
    const std::list<JournalEntry> current{entry(journal_kind::folder, L"D:\\New", true)};
    for (const std::wstring& missing : {std::wstring(), folder / L"missing.ulog"}) {
        journal.previous_install_folder = L"D:\\Old";
        journal.previous_shortcut_folder = L"C:\\Menu\\Old";
        journal.previous_title = L"Vantrel 7.04";
        journal.previous_entries = previous;
        journal.current_entries = current;
        journal.entry_open = true;

        journal.ReadLog(missing.empty() ? nullptr : missing.c_str());

        EXPECT_EQ(journal.previous_install_folder, L"");
        EXPECT_EQ(journal.previous_shortcut_folder, L"");
        EXPECT_EQ(journal.previous_title, L"Vantrel 7.04");
        ASSERT_EQ(journal.previous_entries.size(), previous.size());
        EXPECT_EQ(journal.previous_entries.front().path, L"D:\\Old\\Vantrel.exe");
        EXPECT_EQ(journal.previous_entries.back().path, L"DirectX");
        ASSERT_EQ(journal.current_entries.size(), 1u);
        EXPECT_EQ(journal.current_entries.front().path, L"D:\\New");
        EXPECT_TRUE(journal.entry_open);
    }
}

TEST_F(UninstallLog, AnsiFileFromAnEditor)
{
    test::write_text(log, "// Uninstall Log File v1\r\n//\r\n// Install Vantrel 7.04\r\n// Install Path : C:\\\r\n"
                          "// Shortcut Path : C:\\nowhere\r\n// --\r\n0000:0101:1 -- C:\\x.exe\r\n");
    journal.ReadLog(log.c_str());
    EXPECT_EQ(journal.previous_title, L"Vantrel 7.04");
    EXPECT_EQ(journal.previous_install_folder, L"C:\\");
    EXPECT_EQ(journal.previous_shortcut_folder, L"");
    ASSERT_EQ(journal.previous_entries.size(), 1u);
    EXPECT_EQ(journal.previous_entries.front().path, L"C:\\x.exe");
}

TEST_F(UninstallLog, LogThatCannotBeCreatedFailsButBackupsGo)
{
    const std::wstring backup = folder / L"backup.tmp";
    test::write_text(backup, "saved");
    JournalEntry e = entry(journal_kind::file, L"D:\\x", true, 1);
    e.backup = backup;
    journal.current_entries.push_back(e);
    EXPECT_FALSE(journal.WriteLog(folder / L"no\\such\\folder\\Uninstall.ulog", L"D:\\", L""));
    EXPECT_EQ(::GetFileAttributesW(backup.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(journal.current_entries.front().backup.empty());
}

TEST_F(UninstallLog, PathTooLongForTheReaderIsAFailedWriteNotACutLine)
{
    // The refused line takes no position: the numbering stays consecutive.
    journal.current_entries = {entry(journal_kind::file, L"D:\\a.exe", true, 1),
                               entry(journal_kind::file, L"D:\\" + std::wstring(600, L'x'), true, 1),
                               entry(journal_kind::file, L"D:\\b.exe", true, 1),
                               // The longest line that the reader takes.
                               entry(journal_kind::file, L"D:\\" + std::wstring(492, L'y'), true, 1),
                               entry(journal_kind::folder, L"D:\\c", true)};
    EXPECT_FALSE(journal.WriteLog(log, L"D:\\", L""));
    const std::wstring expected = L"// Uninstall Log File v1\r\n"
                                  L"// ############ WARNING: Do not delete or modify this file. ############\r\n"
                                  L"// Install Vantrel 7.05a\r\n"
                                  L"// Install Path : D:\\\r\n"
                                  L"// Shortcut Path : \r\n"
                                  L"// ----------------\r\n"
                                  L"0000:0101:1 -- D:\\a.exe\r\n"
                                  L"0001:0101:1 -- D:\\b.exe\r\n"
                                  L"0002:0101:1 -- D:\\" + std::wstring(492, L'y') + L"\r\n"
                                  L"0003:00ff:1 -- D:\\c\r\n";
    EXPECT_EQ(test::read_bytes(log), test::utf16_file(expected));
}

} // namespace
