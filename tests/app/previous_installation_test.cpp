// Recognising an installed product from its Uninstall key and its program's version record.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include "app/default_folders.h"
#include "app/install_app.h"
#include "app/previous_installation.h"
#include "app/product.h"
#include "helper_process.h"
#include "state/journal.h"
#include "state_fixture.h"
#include "support/registry.h"
#include "holders/handles.h"

namespace {

class Installed : public ::testing::Test {
protected:
    void SetUp() override
    {
        key_ = std::wstring(uninstall_key_parent) + L"\\" + key_name;
        program_folder = folder / L"Vantrel 7";
        ::CreateDirectoryW(program_folder.c_str(), nullptr);
    }
    void TearDown() override { ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_.c_str()); }

    // The product installed with the program built at `version` (a test module).
    void install(const wchar_t* module, bool with_icon = true)
    {
        const std::wstring program = program_folder + L"\\Vantrel.exe";
        ::SetFileAttributesW(program.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(::CopyFileW((test::test_folder() + module).c_str(), program.c_str(), FALSE));
        set(L"DisplayIcon", with_icon ? program + L",0" : L"");
        set(L"UninstallString", program_folder + L"\\Uninstall.exe");
    }
    void set(const wchar_t* name, const std::wstring& value)
    {
        const tal::unique_hkey key = tal::create_key(HKEY_LOCAL_MACHINE, key_.c_str(), KEY_ALL_ACCESS);
        ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    void write_log(const std::wstring& where, const std::wstring& install, const std::wstring& menu)
    {
        InstallJournal writer(L"Vantrel 7.04", key_name);
        writer.WriteLog(where + L"\\Uninstall.ulog", install, menu);
    }

    test::scratch_folder folder;
    std::wstring key_name = L"Vantrel Test " + std::to_wstring(::GetCurrentProcessId());
    std::wstring program_folder;
    InstallJournal journal{L"Vantrel 7.05a", key_name};

private:
    std::wstring key_;
};

TEST_F(Installed, NothingInstalled)
{
    const previous_installation p = DetectPreviousInstallation(key_name, product_numeric_version, journal);
    EXPECT_EQ(p.state, 0);
    EXPECT_EQ(p.title, L"");
}

TEST_F(Installed, StatesFromTheInstalledVersion)
{
    const std::vector<std::tuple<const wchar_t*, int, std::wstring>> cases{
        {L"program_7_5_1_1.dll", 1, L""},
        {L"program_7_5_0_9.dll", 2, L"Vantrel 7.04"},
        {L"program_7_5_1_2.dll", -1, L"Vantrel 7.05b"},
        {L"program_8_0_0_0.dll", -1, L"Vantrel 8.0"},
        {L"program_0_0_0_0.dll", 1, L""}};
    for (const auto& [module, state, title] : cases) {
        install(module);
        const previous_installation p = DetectPreviousInstallation(key_name, product_numeric_version, journal);
        EXPECT_EQ(p.state, state) << test::narrow(module);
        EXPECT_EQ(p.title, title) << test::narrow(module);
        EXPECT_FALSE(p.version_unreadable);
    }
}

TEST_F(Installed, NoProgramPathIsAReinstallation)
{
    install(L"program_7_5_0_9.dll", false);
    const previous_installation p = DetectPreviousInstallation(key_name, product_numeric_version, journal);
    EXPECT_EQ(p.state, 1);
    EXPECT_EQ(p.title, L"");
}

TEST_F(Installed, UnreadableVersionIsReported)
{
    set(L"DisplayIcon", program_folder + L"\\Gone.exe,0");
    EXPECT_TRUE(DetectPreviousInstallation(key_name, product_numeric_version, journal).version_unreadable);
    install(L"version_no_name.dll"); // a record without ProductName
    const previous_installation incomplete = DetectPreviousInstallation(key_name, product_numeric_version, journal);
    EXPECT_TRUE(incomplete.version_unreadable);
    EXPECT_EQ(incomplete.version_error, static_cast<std::uint32_t>(ERROR_RESOURCE_TYPE_NOT_FOUND));
}

TEST_F(Installed, ProgramHeldByAnotherProcessKeepsTheReadsError)
{
    install(L"program_7_5_1_1.dll");
    const test::helper_process holder(L"hold_file.exe", L"\"" + program_folder + L"\\Vantrel.exe\" 20000");
    const previous_installation p = DetectPreviousInstallation(key_name, product_numeric_version, journal);
    EXPECT_TRUE(p.version_unreadable);
    EXPECT_EQ(p.version_error, static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
}

TEST_F(Installed, LogBesideTheUninstallerOrTheProgramOrNowhere)
{
    install(L"program_7_5_0_9.dll");
    const std::wstring install_folder = folder / L"Installed Here";
    const std::wstring menu = folder / L"Menu";
    ::CreateDirectoryW(install_folder.c_str(), nullptr);
    ::CreateDirectoryW(menu.c_str(), nullptr);

    // Beside the uninstaller named by UninstallString (the program's folder here).
    write_log(program_folder, install_folder, menu);
    DetectPreviousInstallation(key_name, product_numeric_version, journal);
    EXPECT_EQ(journal.previous_install_folder, install_folder);
    EXPECT_EQ(journal.previous_shortcut_folder, menu);
    EXPECT_EQ(journal.previous_title, L"Vantrel 7.04");

    // The uninstaller moved elsewhere: the log beside the program still counts.
    set(L"UninstallString", folder / L"Elsewhere\\Uninstall.exe");
    InstallJournal second(L"Vantrel 7.05a", key_name);
    DetectPreviousInstallation(key_name, product_numeric_version, second);
    EXPECT_EQ(second.previous_install_folder, install_folder);

    // No log anywhere: no folders.
    ::SetFileAttributesW((program_folder + L"\\Uninstall.ulog").c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW((program_folder + L"\\Uninstall.ulog").c_str());
    InstallJournal third(L"Vantrel 7.05a", key_name);
    DetectPreviousInstallation(key_name, product_numeric_version, third);
    EXPECT_EQ(third.previous_install_folder, L"");
    EXPECT_TRUE(third.previous_entries.empty());
}

TEST_F(Installed, UninstallStringQuotedOrNotFindsTheLogBesideTheUninstaller)
{
    // The program's folder has no log: only the uninstaller's folder can give the folders.
    install(L"program_7_5_0_9.dll");
    const std::wstring uninstaller_folder = folder / L"Uninstaller Here";
    const std::wstring install_folder = folder / L"Installed Here";
    ::CreateDirectoryW(uninstaller_folder.c_str(), nullptr);
    ::CreateDirectoryW(install_folder.c_str(), nullptr);
    write_log(uninstaller_folder, install_folder, folder.path());
    const std::wstring uninstaller = uninstaller_folder + L"\\Uninstall.exe";
    for (const std::wstring& value : {L"\"" + uninstaller + L"\"", uninstaller, L"\"" + uninstaller + L"\" /S"}) {
        set(L"UninstallString", value);
        InstallJournal reader(L"Vantrel 7.05a", key_name);
        DetectPreviousInstallation(key_name, product_numeric_version, reader);
        EXPECT_EQ(reader.previous_install_folder, install_folder) << test::narrow(value);
        EXPECT_EQ(FindPreviousLog(key_name, L""), uninstaller_folder + L"\\Uninstall.ulog") << test::narrow(value);
    }
}

TEST_F(Installed, NewerInstallationReadsNoLog)
{
    install(L"program_8_0_0_0.dll");
    write_log(program_folder, folder.path(), folder.path());
    DetectPreviousInstallation(key_name, product_numeric_version, journal);
    EXPECT_EQ(journal.previous_install_folder, L"");
    EXPECT_TRUE(journal.previous_entries.empty());
}

TEST(VersionComparison, Table)
{
    EXPECT_EQ(CompareInstalledVersion(0, product_numeric_version), 1);
    EXPECT_EQ(CompareInstalledVersion(0x0007000500010001ull, product_numeric_version), 1);
    EXPECT_EQ(CompareInstalledVersion(0x0007000500000009ull, product_numeric_version), 2);
    EXPECT_EQ(CompareInstalledVersion(0x0007000500010002ull, product_numeric_version), -1);
    EXPECT_EQ(CompareInstalledVersion(0x0007000600000000ull, product_numeric_version), -1);
    EXPECT_EQ(CompareInstalledVersion(0x0001000000000000ull, product_numeric_version), 2);
}

TEST(DefaultFolders, FallbacksInOrder)
{
    EXPECT_EQ(default_install_folder(L"C:\\Program Files", L"E:\\Apps", L"D:\\Windows", L"Vantrel 7"),
              L"C:\\Program Files\\Marrowin\\Vantrel 7");
    EXPECT_EQ(default_install_folder(std::nullopt, L"E:\\Apps", L"D:\\Windows", L"Vantrel 7"),
              L"E:\\Apps\\Marrowin\\Vantrel 7");
    EXPECT_EQ(default_install_folder(std::nullopt, std::nullopt, L"D:\\Windows", L"Vantrel 7"),
              L"D:\\Program Files\\Marrowin\\Vantrel 7");
}

TEST(DefaultFolders, OnThisSystem)
{
    wchar_t program_files[MAX_PATH] = {}, programs[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, program_files);
    ::SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, programs);
    EXPECT_EQ(DefaultInstallFolder(), std::wstring(program_files) + L"\\Marrowin\\Vantrel 7");
    EXPECT_EQ(DefaultStartMenuFolder(), std::wstring(programs) + L"\\Marrowin\\Vantrel 7");
}

TEST(Product, Names)
{
    EXPECT_EQ(GetProductName(true), L"Vantrel");
    EXPECT_EQ(GetProductName(false), L"Vantrel 7.05a");
    EXPECT_EQ(GetProductKeyName(), L"Vantrel 7");
}

TEST(Application, TemporaryFolderName)
{
    CInstallApp app;
    std::wstring error;
    ASSERT_TRUE(app.PrepareTempDir(error));
    // Below the Windows folder's Temp, where the next installer of any administrator looks for
    // a run that did not end.
    wchar_t windows[MAX_PATH];
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring temp = std::wstring(windows) + L"\\Temp\\";
    const std::wstring name = app.m_strTempDir.substr(temp.size());
    EXPECT_EQ(app.m_strTempDir.substr(0, temp.size()), temp);
    ASSERT_EQ(name.size(), 10u + 36u + 1u) << test::narrow(name);
    EXPECT_EQ(name.substr(0, 10), L"marrowin_{");
    EXPECT_EQ(name.back(), L'}');
    for (std::size_t i = 10; i < 46; ++i) {
        const wchar_t c = name[i];
        const bool dash = i == 18 || i == 23 || i == 28 || i == 33;
        EXPECT_TRUE(dash ? c == L'-' : (iswdigit(c) || (c >= L'a' && c <= L'f'))) << i;
    }
    EXPECT_EQ(name[24], L'4'); // version 4
    EXPECT_FALSE(::PathFileExistsW(app.m_strTempDir.c_str()));
    std::wstring other;
    CInstallApp second;
    second.PrepareTempDir(other);
    EXPECT_NE(second.m_strTempDir, app.m_strTempDir);
    EXPECT_EQ(app.GetPreviousState(), 0);
}

TEST(Application, FieldsStartEmptyAndThePreviousTitleOnlyForUpdatesAndNewer)
{
    CInstallApp app;
    EXPECT_EQ(app.m_strAppName, L"Installeur \u2013 Vantrel 7.05a");
    EXPECT_FALSE(app.m_bMenuShortcut);
    EXPECT_FALSE(app.m_bInstalled);
    EXPECT_FALSE(app.m_instanceLock.owned());
    app.m_strPreviousVersion = L"Vantrel 7.04";
    std::wstring title = L"untouched";
    for (const int state : {0, 1}) {
        app.m_nPreviousState = state;
        EXPECT_EQ(app.GetPreviousState(&title), state);
        EXPECT_EQ(title, L"untouched");
    }
    for (const int state : {2, -1}) {
        app.m_nPreviousState = state;
        title.clear();
        EXPECT_EQ(app.GetPreviousState(&title), state);
        EXPECT_EQ(title, L"Vantrel 7.04");
    }
}

} // namespace
