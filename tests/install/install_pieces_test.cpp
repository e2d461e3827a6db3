// The installation run's pieces: the progress percent, shortcuts through the shell link
// object, the DirectX setup library, and the Uninstall key.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include "app/product.h"
#include "helper_process.h"
#include "shell_link.h"
#include "install/directx_setup.h"
#include "install/extraction_callback.h"
#include "install/uninstall_key.h"
#include "state/journal.h"
#include "state_fixture.h"
#include "holders/handles.h"
#include "support/private_library.h"
#include "support/shortcut.h"

namespace {

TEST(Progress, PercentShowsAHundredOnlyAtTheEnd)
{
    EXPECT_EQ(ProgressPercent(994999, 1000000), 99);
    EXPECT_EQ(ProgressPercent(995000, 1000000), 99); // 99.5 rounds up, but bytes remain
    EXPECT_EQ(ProgressPercent(1000000, 1000000), 100);
    EXPECT_EQ(ProgressPercent(10938, 19194880), 0);
    EXPECT_EQ(ProgressPercent(9597440, 19194880), 50);
    EXPECT_EQ(ProgressPercent(0, 0), 0);
}


TEST(Shortcuts, LinksReadBackThroughTheShell)
{
    test::scratch_folder folder;
    const std::wstring target = folder / L"Program Folder\\Vantrel.exe";
    ::CreateDirectoryW((folder / L"Program Folder").c_str(), nullptr);
    test::write_text(target, "program");
    std::wstring link;
    ASSERT_TRUE(tal::CreateShortcut(target, folder.path(), L"Vantrel 7.05a", &link));
    EXPECT_EQ(link, folder / L"Vantrel 7.05a.lnk");
    const auto [path, working] = test::read_link(link);
    EXPECT_EQ(path, target);
    EXPECT_EQ(working, folder / L"Program Folder");

    // Without a name the link is named after the target.
    ASSERT_TRUE(tal::CreateShortcut(target, folder.path(), nullptr, &link));
    EXPECT_EQ(link, folder / L"Vantrel.lnk");

    // No target, no link: nothing to take the working folder from.
    EXPECT_FALSE(tal::CreateShortcut(L"", folder.path(), L"Empty", &link));
    EXPECT_FALSE(tal::CreateShortcut(target, folder / L"missing\\folder", L"Nowhere", &link));
}

class DirectX : public ::testing::Test {
protected:
    // A temporary folder holding one variant of the setup library as DSetup.dll.
    void use(const wchar_t* variant)
    {
        ASSERT_TRUE(::CopyFileW((test::test_folder() + variant).c_str(), (folder / L"DSetup.dll").c_str(), FALSE));
    }
    test::scratch_folder folder;
};

TEST_F(DirectX, UsableLibraryRunsAndKeepsTheWindowAlive)
{
    use(L"dsetup_good.dll");
    DirectXSetup setup(folder.path());
    ASSERT_TRUE(setup.usable());
    // A message waiting in the queue is handled while the setup runs.
    MSG drain;
    while (::PeekMessageW(&drain, nullptr, 0, 0, PM_REMOVE)) {
    }
    ::PostThreadMessageW(::GetCurrentThreadId(), WM_APP + 7, 0, 0);
    EXPECT_TRUE(setup.Run(nullptr));
    MSG left;
    EXPECT_FALSE(::PeekMessageW(&left, nullptr, WM_APP + 7, WM_APP + 7, PM_NOREMOVE));
    setup.Release();
}

TEST_F(DirectX, RestartNeededCountsAsSuccessAndErrorsAsFailure)
{
    use(L"dsetup_restart.dll");
    DirectXSetup restart(folder.path());
    ASSERT_TRUE(restart.usable());
    EXPECT_TRUE(restart.Run(nullptr));
    restart.Release();
    use(L"dsetup_fail.dll");
    DirectXSetup failing(folder.path());
    ASSERT_TRUE(failing.usable());
    EXPECT_FALSE(failing.Run(nullptr));
}

TEST_F(DirectX, TooOldOrMissingLibrariesAreNotUsed)
{
    DirectXSetup none(folder.path());
    EXPECT_FALSE(none.usable());
    use(L"dsetup_old_revision.dll"); // version above 4.09, revision below 903
    EXPECT_FALSE(DirectXSetup(folder.path()).usable());
    use(L"dsetup_old_version.dll");
    EXPECT_FALSE(DirectXSetup(folder.path()).usable());
    test::write_text(folder / L"DSetup.dll", "not a library");
    EXPECT_FALSE(DirectXSetup(folder.path()).usable());
}

TEST_F(DirectX, ItsCompanionComesFromItsOwnFolderNeverFromTheProgramsFolder)
{
    // A dsetup32.dll planted beside the test program answers with a failure; the genuine one
    // goes beside the library. The loader's own search order would take the planted one.
    ASSERT_NE(::GetFileAttributesW((test::test_folder() + L"dsetup32.dll").c_str()), INVALID_FILE_ATTRIBUTES);
    use(L"dsetup_importing.dll");
    {
        // Without its companion beside it the library cannot load at all.
        DirectXSetup alone(folder.path());
        EXPECT_FALSE(alone.usable());
    }
    ASSERT_TRUE(::CopyFileW((test::test_folder() + L"companion\\dsetup32.dll").c_str(),
                            (folder / L"dsetup32.dll").c_str(), FALSE));
    DirectXSetup setup(folder.path());
    ASSERT_TRUE(setup.usable());
    EXPECT_TRUE(setup.Run(nullptr));
    setup.Release();
}

TEST(PrivateLibrary, OnlyFullPathsAreLoaded)
{
    EXPECT_TRUE(tal::library_search_flags_supported()); // Wine has them, as Windows 8 and later do
    for (const wchar_t* name : {L"dsetup_good.dll", L".\\dsetup_good.dll", L"companion\\dsetup32.dll"}) {
        SCOPED_TRACE(test::narrow(name));
        ::SetLastError(0);
        EXPECT_EQ(tal::load_private_library(name), nullptr);
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    const tal::unique_hmodule good(tal::load_private_library(test::test_folder() + L"dsetup_good.dll"));
    EXPECT_TRUE(good);
}

// The real product key; the tests that use it run alone.
class UninstallKey : public ::testing::Test {
protected:
    void TearDown() override
    {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
    }
    std::wstring text(const wchar_t* name) const
    {
        wchar_t value[512] = {};
        DWORD size = sizeof value;
        if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
            return L"<none>";
        return value;
    }
    DWORD number(const wchar_t* name) const
    {
        DWORD value = 0xFFFFFFFF, size = sizeof value;
        ::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size);
        return value;
    }
    std::wstring key = std::wstring(uninstall_key_parent) + L"\\" + GetProductKeyName();
    InstallJournal journal{GetProductName(false), GetProductKeyName()};
};

TEST_F(UninstallKey, TwelveValuesAndAJournalEntry)
{
    ASSERT_TRUE(WriteUninstallKey(journal, L"C:\\Program Files\\Marrowin\\Vantrel 7\\Vantrel.exe",
                                  L"C:\\Program Files\\Marrowin\\Vantrel 7\\Uninstall.exe", 14));
    EXPECT_EQ(text(L"DisplayName"), L"Vantrel 7.05a");
    // Quoted: the path has blanks.
    EXPECT_EQ(text(L"UninstallString"), L"\"C:\\Program Files\\Marrowin\\Vantrel 7\\Uninstall.exe\"");
    EXPECT_EQ(text(L"DisplayIcon"), L"C:\\Program Files\\Marrowin\\Vantrel 7\\Vantrel.exe,0");
    EXPECT_EQ(text(L"DisplayVersion"), L"7.5.1.1");
    EXPECT_EQ(text(L"Publisher"), L"Marrowin");
    EXPECT_EQ(text(L"URLInfoAbout"), product_web_address);
    EXPECT_EQ(text(L"HelpLink"), product_web_address);
    EXPECT_EQ(text(L"URLUpdateInfo"), product_web_address);
    EXPECT_EQ(text(L"HelpTelephone"), product_support_telephone);
    EXPECT_EQ(number(L"NoModify"), 1u);
    EXPECT_EQ(number(L"NoRepair"), 1u);
    EXPECT_EQ(number(L"TalLanguage"), 14u);
    ASSERT_EQ(journal.current_entries.size(), 1u);
    EXPECT_EQ(journal.current_entries.back().kind, journal_kind::uninstall_key);
    EXPECT_TRUE(journal.current_entries.back().succeeded);
    EXPECT_TRUE(journal.current_entries.back().backup.empty()); // a new key: nothing to save
    EXPECT_FALSE(journal.entry_open);
}

TEST_F(UninstallKey, ExistingKeyIsSavedAndKeepsItsOtherValues)
{
    HKEY raw = nullptr;
    ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr);
    const std::wstring old = L"from before";
    ::RegSetValueExW(raw, L"Comments", 0, REG_SZ, reinterpret_cast<const BYTE*>(old.c_str()),
                     static_cast<DWORD>((old.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(raw);

    ASSERT_TRUE(WriteUninstallKey(journal, L"", L"D:\\Uninstall.exe", 0));
    EXPECT_EQ(text(L"Comments"), L"from before");
    EXPECT_EQ(text(L"DisplayIcon"), L",0"); // no program path
    EXPECT_EQ(text(L"UninstallString"), L"D:\\Uninstall.exe"); // no blank, no quotes
    const std::wstring backup = journal.current_entries.back().backup;
    EXPECT_FALSE(backup.empty());
    EXPECT_NE(::GetFileAttributesW(backup.c_str()), INVALID_FILE_ATTRIBUTES);
    ::DeleteFileW(backup.c_str());
}

} // namespace
