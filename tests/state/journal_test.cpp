// The journal on real folders, files and registry keys: what it records, the backups it
// makes, and a rollback that leaves everything as it was.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "state/journal.h"
#include "state_fixture.h"
#include "holders/handles.h"
#include "support/path.h"

namespace {

std::vector<std::pair<journal_kind, std::wstring>> recorded(const InstallJournal& journal)
{
    std::vector<std::pair<journal_kind, std::wstring>> entries;
    for (const JournalEntry& e : journal.current_entries)
        entries.emplace_back(e.kind, e.path);
    return entries;
}

class Journal : public ::testing::Test {
protected:
    test::scratch_folder folder;
    InstallJournal journal{L"Vantrel 7.05a", L"Vantrel Test " + std::to_wstring(::GetCurrentProcessId())};
};

TEST_F(Journal, CreateFoldersRecordsOnlyTheNewOnesTopDown)
{
    const std::wstring x = folder.path();
    journal.CreateFolders(x + L"\\Y\\Z");
    EXPECT_EQ(recorded(journal), (std::vector<std::pair<journal_kind, std::wstring>>{
                                     {journal_kind::folder, x + L"\\Y"}, {journal_kind::folder, x + L"\\Y\\Z"}}));
    EXPECT_TRUE(::PathIsDirectoryW((x + L"\\Y\\Z").c_str()));
    for (const JournalEntry& e : journal.current_entries)
        EXPECT_TRUE(e.succeeded);
    journal.Rollback();
    EXPECT_FALSE(::PathIsDirectoryW((x + L"\\Y").c_str()));
    EXPECT_TRUE(journal.current_entries.empty());
}

TEST_F(Journal, CloseEntryOnlyOnceAndOnlyWhenOpen)
{
    journal.CloseEntry(true, L"ignored");
    EXPECT_TRUE(journal.current_entries.empty());
    journal.BeginDirectXUpdate();
    EXPECT_TRUE(journal.entry_open);
    journal.CloseEntry(false, L"DirectX failed");
    journal.CloseEntry(true, L"changed");
    ASSERT_EQ(journal.current_entries.size(), 1u);
    EXPECT_FALSE(journal.current_entries.back().succeeded);
    EXPECT_EQ(journal.current_entries.back().path, L"DirectX failed");
    journal.BeginRegistration();
    journal.CloseEntry(true);
    EXPECT_TRUE(journal.current_entries.back().succeeded);
    EXPECT_EQ(journal.current_entries.back().path, L"");
    EXPECT_EQ(journal.current_entries.back().value, 0xFFFFFFFFu);
}

TEST_F(Journal, BackupsAreTalTemporaryFilesWithTheirAttributes)
{
    const std::wstring data = folder / L"data.bin";
    test::write_text(data, "original");
    ::SetFileAttributesW(data.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);

    const std::wstring copy = MakeBackup(data.c_str(), true);
    ASSERT_FALSE(copy.empty());
    const std::wstring name = ::PathFindFileNameW(copy.c_str());
    EXPECT_EQ(name.substr(0, 3), L"tal");
    EXPECT_EQ(name.substr(name.size() - 4), L".tmp");
    EXPECT_LE(name.size(), 3u + 4u + 4u);
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    EXPECT_EQ(copy.substr(0, wcslen(temp)), temp);
    EXPECT_EQ(test::read_bytes(copy), "original");
    EXPECT_EQ(test::read_bytes(data), "original"); // a copy leaves the file in place
    EXPECT_EQ(::GetFileAttributesW(copy.c_str()), ::GetFileAttributesW(data.c_str()));
    EXPECT_TRUE(::GetFileAttributesW(data.c_str()) & FILE_ATTRIBUTE_READONLY);

    const std::wstring moved = MakeBackup(data.c_str(), false);
    ASSERT_FALSE(moved.empty());
    EXPECT_EQ(::GetFileAttributesW(data.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(test::read_bytes(moved), "original");
    EXPECT_TRUE(::GetFileAttributesW(moved.c_str()) & FILE_ATTRIBUTE_READONLY);

    const std::wstring fresh = MakeBackup(nullptr, false);
    EXPECT_FALSE(fresh.empty());
    EXPECT_EQ(::GetFileAttributesW(fresh.c_str()), INVALID_FILE_ATTRIBUTES); // only a name

    EXPECT_EQ(MakeBackup((folder / L"missing.bin").c_str(), false), L"");
    for (const std::wstring& path : {copy, moved}) {
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path.c_str());
    }
}

TEST_F(Journal, RollbackLeavesTheTreeExactlyAsBefore)
{
    const std::wstring app = folder / L"Programs";
    ::CreateDirectoryW(app.c_str(), nullptr);
    const std::wstring replaced = app + L"\\Uninstall.exe";
    test::write_text(replaced, "old uninstaller");
    ::SetFileAttributesW(replaced.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    const std::wstring user = app + L"\\UserImages.bmp";
    test::write_text(user, "the user's pictures");
    const auto before = test::snapshot(folder.path());

    // A run: nested folders and a file in them, a replaced read-only file, a copied user file.
    const std::wstring deep = app + L"\\Marrowin\\Vantrel 7\\Lang\\Vantrel.en.dll";
    journal.RecordFile(deep, 0, false);
    test::write_text(deep, "new module");
    journal.CloseEntry(true);
    journal.RecordFile(replaced, 2, false);
    EXPECT_EQ(::GetFileAttributesW(replaced.c_str()), INVALID_FILE_ATTRIBUTES); // moved away
    test::write_text(replaced, "new uninstaller");
    journal.CloseEntry(true);
    journal.RecordFile(user, 3, true);
    EXPECT_EQ(test::read_bytes(user), "the user's pictures"); // copied: still in place
    test::write_text(user, "overwritten");
    journal.CloseEntry(false);

    EXPECT_EQ(journal.current_entries.front().path, app + L"\\Marrowin");
    EXPECT_EQ(journal.current_entries.size(), 6u);

    journal.Rollback();

    EXPECT_EQ(test::snapshot(folder.path()), before);
    EXPECT_TRUE(journal.current_entries.empty());
    EXPECT_FALSE(journal.entry_open);
}

TEST_F(Journal, ShortcutsOfThePreviousInstallationAreMovedAndComeBack)
{
    const std::wstring old_link = folder / L"Old Vantrel.lnk";
    test::write_text(old_link, "old shortcut");
    journal.previous_entries.push_back({journal_kind::uninstaller_shortcut, folder / L"gone.lnk", {}, true, no_archive_kind, {}});
    journal.previous_entries.push_back({journal_kind::program_shortcut, old_link, {}, true, no_archive_kind, {}});
    const std::wstring menu = folder / L"Menu\\Marrowin";

    journal.BeginShortcut(0, menu);
    ASSERT_FALSE(journal.current_entries.back().backup.empty());
    EXPECT_EQ(::GetFileAttributesW(old_link.c_str()), INVALID_FILE_ATTRIBUTES);
    const std::wstring new_link = menu + L"\\Vantrel 7.05a.lnk";
    test::write_text(new_link, "new shortcut");
    journal.CloseEntry(true, new_link.c_str());

    journal.BeginShortcut(1, menu); // its previous shortcut no longer exists: no backup
    EXPECT_TRUE(journal.current_entries.back().backup.empty());
    EXPECT_EQ(journal.current_entries.back().kind, journal_kind::uninstaller_shortcut);
    journal.CloseEntry(false);
    journal.BeginShortcut(7, menu);
    EXPECT_EQ(journal.current_entries.back().kind, journal_kind::desktop_shortcut);
    journal.CloseEntry(false);

    journal.Rollback();
    // The old shortcut is back where it was; the new one and its folders are gone.
    EXPECT_EQ(test::read_bytes(old_link), "old shortcut");
    EXPECT_EQ(::GetFileAttributesW(new_link.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(::PathIsDirectoryW((folder / L"Menu").c_str()));
}

TEST_F(Journal, LongPathsAreRefusedNotCut)
{
    const std::wstring long_folder = folder.path() + L"\\" + std::wstring(250, L'a');
    const std::wstring long_file = long_folder + L"\\" + std::wstring(40, L'b') + L".txt";
    journal.RecordFile(long_file, 1, false);
    ASSERT_EQ(journal.current_entries.size(), 1u);
    EXPECT_EQ(journal.current_entries.back().path, long_file);
    EXPECT_TRUE(journal.current_entries.back().backup.empty());
    journal.CreateFolders(long_folder + L"\\c");
    EXPECT_EQ(journal.current_entries.size(), 1u);
    EXPECT_EQ(MakeBackup(long_file.c_str(), true), L"");
}

// A file held open by someone else the way `share` allows.
tal::unique_hfile hold(const std::wstring& path, DWORD share)
{
    return tal::unique_hfile(::CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
}

// The file's identity on its volume: a file deleted and replaced by a copy has another one.
std::uint64_t file_id(const std::wstring& path)
{
    const tal::unique_hfile file = hold(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !::GetFileInformationByHandle(file.get(), &info))
        return 0;
    return (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
}

TEST_F(Journal, UserFileWhoseCopyFailsIsNotDeletedByRollback)
{
    const std::wstring user = folder / L"UserImages.bmp";
    test::write_text(user, "the user's pictures");
    {
        // Another program reads nothing of it but lets it be deleted: no copy can be made.
        const tal::unique_hfile held = hold(user, FILE_SHARE_DELETE);
        ASSERT_TRUE(held);
        journal.RecordFile(user, 3, true);
        EXPECT_TRUE(journal.current_entries.back().backup.empty());
        journal.CloseEntry(true); // kept, not extracted
        journal.RecordFile(folder / L"Vantrel.exe", 1, false);
        test::write_text(folder / L"Vantrel.exe", "half a program");
        journal.CloseEntry(false);
        journal.Rollback();
    }
    EXPECT_EQ(test::read_bytes(user), "the user's pictures");
    EXPECT_EQ(::GetFileAttributesW((folder / L"Vantrel.exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Journal, UserFileKeptByTheRunIsNotTouchedByRollback)
{
    const std::wstring user = folder / L"UserImages.bmp";
    test::write_text(user, "the user's pictures");
    ::SetFileAttributesW(user.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    const std::uint64_t id = file_id(user);
    ASSERT_NE(id, 0u);
    journal.RecordFile(user, 3, true);
    const std::wstring backup = journal.current_entries.back().backup;
    ASSERT_FALSE(backup.empty());
    journal.CloseEntry(true);

    journal.Rollback();

    EXPECT_EQ(file_id(user), id); // the same file, not a copy put in its place
    EXPECT_EQ(test::read_bytes(user), "the user's pictures");
    EXPECT_EQ(::GetFileAttributesW(user.c_str()), DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE});
    EXPECT_EQ(::GetFileAttributesW(backup.c_str()), INVALID_FILE_ATTRIBUTES); // no backup left behind
}

TEST_F(Journal, HeldTargetKeepsItsBytesAndAttributes)
{
    // A file in use by a program that lets others read it: it can be neither moved away nor
    // deleted, and the extraction cleared its read-only attribute before failing on it.
    const std::wstring program = folder / L"Vantrel.exe";
    test::write_text(program, "the running program");
    const DWORD attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    ::SetFileAttributesW(program.c_str(), attributes);
    // And a file of this run that someone opened before the rollback.
    const std::wstring fresh = folder / L"Lang\\Vantrel.en.dll";
    {
        const tal::unique_hfile held = hold(program, FILE_SHARE_READ);
        ASSERT_TRUE(held);
        journal.RecordFile(program, 1, false);
        EXPECT_TRUE(journal.current_entries.back().backup.empty());
        ::SetFileAttributesW(program.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
        journal.CloseEntry(false);
        journal.RecordFile(fresh, 0, false);
        test::write_text(fresh, "new module");
        ::SetFileAttributesW(fresh.c_str(), FILE_ATTRIBUTE_HIDDEN);
        const DWORD fresh_attributes = ::GetFileAttributesW(fresh.c_str());
        ASSERT_TRUE(fresh_attributes & FILE_ATTRIBUTE_HIDDEN);
        journal.CloseEntry(true);
        const tal::unique_hfile reader = hold(fresh, FILE_SHARE_READ);
        ASSERT_TRUE(reader);

        journal.Rollback();

        EXPECT_EQ(::GetFileAttributesW(fresh.c_str()), fresh_attributes); // still there, still hidden
    }
    EXPECT_EQ(test::read_bytes(program), "the running program");
    EXPECT_EQ(::GetFileAttributesW(program.c_str()), attributes);
}

TEST_F(Journal, PreviousShortcutThatCannotBeMovedIsNotDeleted)
{
    const std::wstring menu = folder / L"Menu";
    ::CreateDirectoryW(menu.c_str(), nullptr);
    const std::wstring link = menu + L"\\Vantrel 7.05a.lnk";
    test::write_text(link, "old shortcut");
    journal.previous_entries.push_back({journal_kind::program_shortcut, link, {}, true, no_archive_kind, {}});
    {
        const tal::unique_hfile held = hold(link, FILE_SHARE_READ);
        journal.BeginShortcut(0, menu);
    }
    EXPECT_TRUE(journal.current_entries.back().backup.empty());
    test::write_text(link, "new shortcut"); // made over the old one
    journal.CloseEntry(true, link.c_str());

    journal.Rollback();

    EXPECT_EQ(test::read_bytes(link), "new shortcut"); // not deleted: there was no copy to bring back
}

// A folder below the scratch folder whose name makes `folder + "\\" + file` exactly `length` long.
std::wstring folder_for(const test::scratch_folder& scratch, std::size_t length, const std::wstring& file)
{
    return scratch.path() + L"\\" + std::wstring(length - scratch.path().size() - 2 - file.size(), L'd');
}

TEST_F(Journal, FileTooLongForTheCallsIsNeverDeleted)
{
    // The folder fits, the file does not: the folder is created and recorded, the file that
    // was there is neither backed up nor deleted.
    const std::wstring name = L"Vantrel.de.dll";
    const std::wstring lang = folder_for(folder, tal::max_path + 2, name);
    const std::wstring module = lang + L"\\" + name;
    ASSERT_TRUE(tal::fits_max_path(lang));
    ASSERT_FALSE(tal::fits_max_path(module));

    journal.RecordFile(module, 0, false);
    EXPECT_EQ(recorded(journal), (std::vector<std::pair<journal_kind, std::wstring>>{
                                     {journal_kind::folder, lang}, {journal_kind::file, module}}));
    journal.CloseEntry(false);
    journal.Rollback();
    EXPECT_FALSE(::PathIsDirectoryW(lang.c_str()));

    // A previous installation's module at that place stays.
    ASSERT_TRUE(::CreateDirectoryW(lang.c_str(), nullptr));
    const std::wstring extended = L"\\\\?\\" + module;
    test::write_text(extended, "the previous module");
    journal.RecordFile(module, 0, false);
    EXPECT_EQ(journal.current_entries.size(), 1u);
    EXPECT_TRUE(journal.current_entries.back().backup.empty());
    journal.CloseEntry(false);
    journal.Rollback();
    EXPECT_EQ(test::read_bytes(extended), "the previous module");
    ::DeleteFileW(extended.c_str());
}

TEST_F(Journal, BackupsGoToTheWindowsTempWhenTempIsTooLong)
{
    // GetTempFileNameW takes no folder over 246 characters.
    const std::wstring temp = folder_for(folder, 250, L"");
    ASSERT_TRUE(::CreateDirectoryW(temp.c_str(), nullptr));
    std::map<std::wstring, std::wstring> saved;
    for (const wchar_t* name : {L"TMP", L"TEMP"}) {
        wchar_t value[tal::max_path] = {};
        ::GetEnvironmentVariableW(name, value, tal::max_path);
        saved[name] = value;
        ::SetEnvironmentVariableW(name, temp.c_str());
    }
    wchar_t current[tal::max_path + 1] = {};
    const DWORD length = ::GetTempPathW(tal::max_path + 1, current);
    const std::wstring name = MakeBackup(nullptr, false);
    for (const auto& [variable, value] : saved)
        ::SetEnvironmentVariableW(variable.c_str(), value.empty() ? nullptr : value.c_str());

    ASSERT_GT(length, 246u) << "the long TEMP is not in use";
    wchar_t windows[tal::max_path] = {};
    ::GetWindowsDirectoryW(windows, tal::max_path);
    const std::wstring expected = std::wstring(windows) + L"\\Temp\\tal";
    EXPECT_EQ(name.substr(0, expected.size()), expected) << test::narrow(name);
}

// The names "tal*.tmp" in `folder`.
std::set<std::wstring> tal_files(const std::wstring& folder)
{
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((tal::append_path(folder, L"tal*.tmp")).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.insert(found.cFileName);
    while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

std::wstring system_temp()
{
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    return temp;
}

TEST_F(Journal, BackupsGoToTheFolderGivenAndNowhereElse)
{
    const std::wstring given = folder / L"private";
    ASSERT_TRUE(::CreateDirectoryW(given.c_str(), nullptr));
    const std::wstring moved = folder / L"moved.bin", copied = folder / L"copied.bin";
    test::write_text(moved, "moved away");
    test::write_text(copied, "copied");
    journal.SetBackupFolder(given);
    journal.RecordFile(moved, 1, false);
    journal.CloseEntry(true);
    journal.RecordFile(copied, 3, true);
    journal.CloseEntry(true);
    ASSERT_EQ(journal.current_entries.size(), 2u);
    for (const JournalEntry& entry : journal.current_entries) {
        SCOPED_TRACE(test::narrow(entry.path));
        EXPECT_EQ(entry.backup.rfind(given + L"\\tal", 0), 0u) << test::narrow(entry.backup);
        EXPECT_NE(::GetFileAttributesW(entry.backup.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_EQ(tal_files(given).size(), 2u);

    // The rollback takes them back out: the folder is empty again and can go.
    journal.Rollback();
    EXPECT_EQ(test::read_bytes(moved), "moved away");
    EXPECT_EQ(test::read_bytes(copied), "copied");
    EXPECT_TRUE(::RemoveDirectoryW(given.c_str()));

    // A folder given too long to name a file in gives no backup, and none in TEMP instead.
    const std::wstring too_long = folder_for(folder, 250, L"");
    ASSERT_TRUE(::CreateDirectoryW(too_long.c_str(), nullptr));
    journal.SetBackupFolder(too_long);
    EXPECT_EQ(MakeBackup(too_long, copied.c_str(), true), L"");
    journal.RecordFile(copied, 3, true);
    EXPECT_TRUE(journal.current_entries.back().backup.empty());
    journal.CloseEntry(true);
    EXPECT_TRUE(tal_files(too_long).empty());
    journal.Rollback();
    EXPECT_EQ(test::read_bytes(copied), "copied");

    // With none given, TEMP as before.
    journal.SetBackupFolder({});
    journal.RecordFile(copied, 3, true);
    EXPECT_EQ(journal.current_entries.back().backup.rfind(system_temp() + L"tal", 0), 0u);
    journal.CloseEntry(true);
    journal.DeleteBackups();
}

class UninstallKey : public Journal {
protected:
    std::wstring key_path() const { return std::wstring(uninstall_key_parent) + L"\\" + journal.product_key_name(); }

    tal::unique_hkey create_key()
    {
        HKEY raw = nullptr;
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_path().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr);
        return tal::unique_hkey(raw);
    }

    std::wstring value(const wchar_t* name) const
    {
        wchar_t text[256] = {};
        DWORD size = sizeof text;
        if (::RegGetValueW(HKEY_LOCAL_MACHINE, key_path().c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size)
            != ERROR_SUCCESS)
            return L"<none>";
        return text;
    }

    bool key_exists() const
    {
        HKEY raw = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path().c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS)
            return false;
        ::RegCloseKey(raw);
        return true;
    }

    void TearDown() override
    {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, key_path().c_str());
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_path().c_str());
    }
};

void set_value(HKEY key, const wchar_t* name, const std::wstring& text)
{
    ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

TEST_F(UninstallKey, NewKeyIsDeletedByRollback)
{
    journal.BeginUninstallKey(nullptr);
    EXPECT_TRUE(journal.current_entries.back().backup.empty());
    {
        const tal::unique_hkey key = create_key();
        set_value(key.get(), L"DisplayName", L"Vantrel 7.05a");
        HKEY sub = nullptr;
        ::RegCreateKeyExW(key.get(), L"Below", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr);
        ::RegCloseKey(sub);
    }
    journal.CloseEntry(true);
    journal.Rollback();
    EXPECT_FALSE(key_exists());
}

TEST_F(UninstallKey, ReplacedKeyIsSavedAndRestored)
{
    {
        const tal::unique_hkey key = create_key();
        set_value(key.get(), L"DisplayName", L"Vantrel 7.04");
        set_value(key.get(), L"Comments", L"kept from before");
    }
    {
        HKEY raw = nullptr;
        ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path().c_str(), 0, KEY_ALL_ACCESS, &raw), ERROR_SUCCESS);
        const tal::unique_hkey existing(raw);
        journal.BeginUninstallKey(existing.get());
        set_value(existing.get(), L"DisplayName", L"Vantrel 7.05a");
        set_value(existing.get(), L"TalLanguage", L"new");
        ::RegDeleteValueW(existing.get(), L"Comments");
    }
    const std::wstring backup = journal.current_entries.back().backup;
    ASSERT_FALSE(backup.empty());
    EXPECT_NE(::GetFileAttributesW(backup.c_str()), INVALID_FILE_ATTRIBUTES); // the saved key
    journal.CloseEntry(true);

    journal.Rollback();

    EXPECT_EQ(::GetFileAttributesW(backup.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(key_exists());
    if (test::running_under_wine() && value(L"DisplayName") == L"Vantrel 7.05a")
        GTEST_SKIP() << "Wine's RegRestoreKeyW reports success and restores nothing";
    EXPECT_EQ(value(L"DisplayName"), L"Vantrel 7.04");
    EXPECT_EQ(value(L"Comments"), L"kept from before");
    EXPECT_EQ(value(L"TalLanguage"), L"<none>");
}

TEST_F(UninstallKey, SavedKeyGoesToTheFolderGiven)
{
    const std::wstring given = folder / L"private";
    ASSERT_TRUE(::CreateDirectoryW(given.c_str(), nullptr));
    journal.SetBackupFolder(given);
    {
        const tal::unique_hkey key = create_key();
        set_value(key.get(), L"DisplayName", L"Vantrel 7.04");
        journal.BeginUninstallKey(key.get());
    }
    journal.CloseEntry(true);
    const std::wstring backup = journal.current_entries.back().backup;
    EXPECT_EQ(backup.rfind(given + L"\\tal", 0), 0u) << test::narrow(backup);
    EXPECT_NE(::GetFileAttributesW(backup.c_str()), INVALID_FILE_ATTRIBUTES);
    journal.DeleteBackups();
    EXPECT_EQ(::GetFileAttributesW(backup.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(::RemoveDirectoryW(given.c_str()));
}

} // namespace

namespace {

TEST(SamePath, SpellingsOfOneFileAndDifferentFiles)
{
    test::scratch_folder folder;
    test::write_text(folder / L"a.txt", "a");
    test::write_text(folder / L"b.txt", "b");
    ::CreateDirectoryW((folder / L"sub").c_str(), nullptr);
    std::wstring forward = folder / L"a.txt";
    std::replace(forward.begin(), forward.end(), L'\\', L'/');
    // Relative paths are completed against the current folder.
    wchar_t current[MAX_PATH] = {};
    ASSERT_NE(::GetCurrentDirectoryW(MAX_PATH, current), 0u);
    ASSERT_TRUE(::SetCurrentDirectoryW(folder.path().c_str()));
    const struct {
        std::wstring a, b;
        bool same;
    } cases[] = {
        {folder / L"a.txt", folder / L"a.txt", true},
        {folder / L"a.txt", folder / L"sub\\..\\a.txt", true}, // the same file
        {folder / L"a.txt", folder / L"A.TXT", true},
        {folder / L"a.txt", forward, true},
        {folder / L"a.txt", folder / L"sub\\\\..\\a.txt", true},
        {L"a.txt", folder / L"a.txt", true},
        {folder / L"a.txt", folder / L"b.txt", false},
        {folder / L"a.txt", folder / L"missing.txt", false},
        {folder / L"sub", folder / L"SUB", true},
        // The runtime's stat finds no folder named with a trailing separator: one exists, one not.
        {folder / L"sub", folder / L"sub\\", false},
        // Files that do not exist: compared as absolute paths without regard to case.
        {L"Q:\\Missing\\File.dll", L"q:\\missing\\FILE.DLL", true},
        {L"Q:\\Missing\\File.dll", L"Q:\\\\Missing\\File.dll", true},
        {L"Q:\\Missing\\File.dll", L"Q:\\Missing\\File.dl", false},
        {L"Q:\\Missing\\File.dll", L"Q:\\Missing\\Sub\\File.dll", false},
        {L"Q:\\Missing\\File.dll", L"Q:\\Missing\\File.dll\\", false},
        {L"missing.txt", folder / L"MISSING.TXT", true},
        {L"sub\\..\\missing.txt", folder / L"missing.txt", true},
        {L"", L"", true},
        {L"", L"missing.txt", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SamePath(c.a, c.b), c.same) << c.a << L" | " << c.b;
        EXPECT_EQ(SamePath(c.b, c.a), c.same) << c.b << L" | " << c.a;
    }
    ::SetCurrentDirectoryW(current);
}

} // namespace
