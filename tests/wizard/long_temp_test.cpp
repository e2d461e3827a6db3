// The installer started with a TEMP too long for its temporary folder's name: a quick
// installation takes the Windows folder's Temp instead, and the DirectX setup runs from there.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "installation_fixture.h"
#include "state_fixture.h"
#include "wizard_driver.h"

namespace {

using test::product_key;
using test::shell_folder;

std::wstring environment(const wchar_t* name)
{
    wchar_t value[1024] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? value : L"";
}

// The names below `folder` that match `pattern`.
std::vector<std::wstring> found(const std::wstring& folder, const wchar_t* pattern)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data{};
    const HANDLE search = ::FindFirstFileW((folder + L"\\" + pattern).c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(data.cFileName);
    while (::FindNextFileW(search, &data));
    ::FindClose(search);
    return names;
}

class LongTemp : public ::testing::Test {
protected:
    void SetUp() override
    {
        // An existing folder of 230 characters, TEMP and TMP pointing at it.
        ASSERT_TRUE(::CreateDirectoryW(root.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
        long_temp = root;
        while (long_temp.size() < 230) {
            long_temp += L"\\" + std::wstring(std::min<std::size_t>(60, 230 - long_temp.size() - 1), L'l');
            ASSERT_TRUE(::CreateDirectoryW(long_temp.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
        }
        ASSERT_EQ(long_temp.size(), 230u);
        saved_temp = environment(L"TEMP");
        saved_tmp = environment(L"TMP");
        ::SetEnvironmentVariableW(L"TEMP", long_temp.c_str());
        ::SetEnvironmentVariableW(L"TMP", long_temp.c_str());
    }

    void TearDown() override
    {
        ::SetEnvironmentVariableW(L"TEMP", saved_temp.empty() ? nullptr : saved_temp.c_str());
        ::SetEnvironmentVariableW(L"TMP", saved_tmp.empty() ? nullptr : saved_tmp.c_str());
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, product_key.c_str());
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, product_key.c_str());
        for (const int csidl : {CSIDL_PROGRAM_FILES, CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_APPDATA, CSIDL_APPDATA})
            test::remove_tree(shell_folder(csidl) + L"\\Marrowin");
        ::DeleteFileW((shell_folder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Vantrel 7.05a.lnk").c_str());
        ::SHDeleteKeyW(HKEY_CLASSES_ROOT, L".vantrel");
        ::SHDeleteKeyW(HKEY_CLASSES_ROOT, L"Vantrel.Document");
        test::remove_tree(root);
    }

    const std::wstring root = L"C:\\vantrel-long-temp";
    std::wstring long_temp;
    std::wstring saved_temp;
    std::wstring saved_tmp;
    const std::wstring install_folder = shell_folder(CSIDL_PROGRAM_FILES) + L"\\Marrowin\\Vantrel 7";
};

TEST_F(LongTemp, QuickInstallationUsesTheWindowsTemp)
{
    wchar_t windows[MAX_PATH] = {};
    ASSERT_NE(::GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    const std::wstring windows_temp = std::wstring(windows) + L"\\Temp";
    const auto left_before = found(windows_temp, L"marrowin_{*");

    test::wizard w;
    w.next();
    w.next();
    ASSERT_TRUE(w.wait_page(4));
    w.next(); // Install
    for (int i = 0; i < 300 && !test::item_enabled(w.frame(), IDCANCEL); ++i)
        ::Sleep(100);
    ASSERT_TRUE(test::item_enabled(w.frame(), IDCANCEL));
    const std::wstring log = test::item_text(w.page(), IDC_LOG);

    // The setup files went to a folder of their own below the Windows folder's Temp, and the
    // DirectX step ran from there.
    EXPECT_NE(log.find(L"Copying File  " + windows_temp + L"\\marrowin_{"), std::wstring::npos) << test::narrow(log);
    EXPECT_NE(log.find(L"DSETUP.dll...OK\r\n"), std::wstring::npos);
    EXPECT_NE(log.find(L"Mise \u00e0 jour de DirectX...OK\r\n"), std::wstring::npos);
    EXPECT_NE(log.find(L"Installation Data Writing...OK\r\n"), std::wstring::npos);
    EXPECT_EQ(log.find(L"Failed"), std::wstring::npos);
    EXPECT_EQ(test::item_text(w.page(), IDC_STATUS), L"Click on 'Next' to continue.");
    for (const wchar_t* setup_file : {L"DSETUP.dll", L"dsetup32.dll", L"dxupdate.cab"})
        EXPECT_FALSE(::PathFileExistsW((install_folder + L"\\" + setup_file).c_str())) << test::narrow(setup_file);
    EXPECT_TRUE(::PathFileExistsW((install_folder + L"\\Vantrel.exe").c_str()));
    EXPECT_TRUE(::PathFileExistsW((install_folder + L"\\Uninstall.ulog").c_str()));
    // The run's temporary folder is gone again.
    EXPECT_EQ(found(windows_temp, L"marrowin_{*"), left_before);
    EXPECT_TRUE(found(long_temp, L"marrowin_{*").empty());

    w.next();
    ASSERT_TRUE(w.wait_page(5));
    EXPECT_EQ(test::item_text(w.page(), IDC_TEXT), L"Installation is complete.");
    w.press_frame(IDCANCEL);
    EXPECT_TRUE(w.ended(10000));
}

} // namespace
