// The built uninstaller over hand-written logs, started from the command line that the
// Uninstall key holds: it removes the product and leaves alone what the log names elsewhere.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "command_line.h"
#include "helper_process.h"
#include "holders/handles.h"
#include "state_fixture.h"

namespace {

const std::wstring product_key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel 7";
const std::wstring foreign_key = L"Software\\Vantrel Test Foreign";

std::wstring shell_folder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, csidl, nullptr, 0, path);
    return path;
}

bool exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool key_exists(const std::wstring& key)
{
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(raw);
    return true;
}

void set_text(const std::wstring& key, const wchar_t* name, const std::wstring& value)
{
    HKEY raw = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    const tal::unique_hkey owned(raw);
    ::RegSetValueExW(raw, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::wstring temporary_folder()
{
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    return temp;
}

// The uninstaller's private folders in the temporary folder, by name.
std::vector<std::wstring> private_copies()
{
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW data;
    const HANDLE search = ::FindFirstFileW((temporary_folder() + L"Vantrel-Uninstall-*").c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
        do
            found.push_back(data.cFileName);
        while (::FindNextFileW(search, &data));
        ::FindClose(search);
    }
    return found;
}

class Uninstaller : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::CreateDirectoryW(root.c_str(), nullptr);
        ::CreateDirectoryW(install.c_str(), nullptr);
        ASSERT_TRUE(::CopyFileW((test::test_folder() + L"vantrel_uninstall.exe").c_str(),
                                (install + L"\\Uninstall.exe").c_str(), FALSE));
        ::SetFileAttributesW((install + L"\\Uninstall.exe").c_str(), FILE_ATTRIBUTE_READONLY);
    }
    void TearDown() override
    {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, product_key.c_str());
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, product_key.c_str());
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, foreign_key.c_str());
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, foreign_key.c_str());
        test::remove_folder_link(data + L"\\Linked");
        test::remove_tree(shell_folder(CSIDL_COMMON_APPDATA) + L"\\Marrowin");
        test::remove_tree(root);
        // The copies wait for the next start of the system; the tests' go now.
        for (const std::wstring& name : private_copies()) {
            if (std::find(copies_before.begin(), copies_before.end(), name) == copies_before.end())
                test::remove_tree(temporary_folder() + name);
        }
    }

    // The log: a header for `install`, then one entry line per (flags, text), oldest first.
    void write_log(const std::vector<std::pair<std::wstring, std::wstring>>& entries)
    {
        // A log whose Start-menu line is empty is read only up to that line.
        const std::wstring shortcut_line = L"Shortcut Path : " + shell_folder(CSIDL_COMMON_PROGRAMS) + L"\\Marrowin\\Vantrel 7";
        std::wstring text = L"// Uninstall Log File v1\r\n"
                            L"// ############ WARNING: Do not delete or modify this file. ############\r\n"
                            L"// Install Vantrel 7.05a\r\n"
                            L"// Install Path : " + install + L"\r\n"
                            L"// " + shortcut_line + L"\r\n"
                            L"// " + std::wstring(shortcut_line.size(), L'-') + L"\r\n";
        for (std::size_t i = 0; i < entries.size(); ++i) {
            wchar_t position[16];
            swprintf(position, 16, L"%04zu", i);
            text += std::wstring(position) + L":" + entries[i].first + L" -- " + entries[i].second + L"\r\n";
        }
        test::write_text(install + L"\\Uninstall.ulog", test::utf16_file(text));
    }

    // Registers the product as the installer does and runs the key's command line with /S;
    // returns what the uninstaller reported once it has removed the installation folder.
    std::string uninstall()
    {
        set_text(product_key, L"DisplayName", L"Vantrel 7.05a");
        set_text(product_key, L"UninstallString", L"\"" + install + L"\\Uninstall.exe\"");
        const std::wstring report = root + L"\\report.txt";
        SECURITY_ATTRIBUTES inherit{};
        inherit.nLength = sizeof inherit;
        inherit.bInheritHandle = TRUE;
        std::string lines;
        {
            const tal::unique_hfile file(::CreateFileW(report.c_str(), GENERIC_WRITE,
                                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                                                       CREATE_ALWAYS, 0, nullptr));
            EXPECT_TRUE(file);
            wchar_t command[512] = {};
            DWORD size = sizeof command;
            EXPECT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, product_key.c_str(), L"UninstallString", RRF_RT_REG_SZ,
                                     nullptr, command, &size),
                      ERROR_SUCCESS);
            DWORD code = 1;
            EXPECT_TRUE(test::run_command_line(std::wstring(command) + L" /S", 20000, code, file.get()));
            EXPECT_EQ(code, 0u);
            for (int i = 0; i < 200 && exists(install); ++i)
                ::Sleep(100);
            EXPECT_FALSE(exists(install));
        }
        ::Sleep(500); // the copy's last steps after the folder
        lines = test::read_bytes(report);
        return lines;
    }

    std::vector<std::wstring> copies_before = private_copies();
    std::wstring root = L"C:\\Vantrel Uninstall Test";
    std::wstring install = root + L"\\Vantrel 7";
    std::wstring data = shell_folder(CSIDL_COMMON_APPDATA) + L"\\Marrowin\\Vantrel";
};

TEST_F(Uninstaller, CraftedLinesOutsideTheProductAndAForeignKeyAreLeftAlone)
{
    const std::wstring publisher = shell_folder(CSIDL_COMMON_APPDATA) + L"\\Marrowin";
    ::CreateDirectoryW(publisher.c_str(), nullptr);
    ::CreateDirectoryW(data.c_str(), nullptr);
    ::CreateDirectoryW((install + L"\\Lang").c_str(), nullptr);
    ::CreateDirectoryW((root + L"\\Other").c_str(), nullptr);
    ::CreateDirectoryW((publisher + L"\\Other Product").c_str(), nullptr);
    const std::vector<std::wstring> product_files{install + L"\\Vantrel.exe", install + L"\\Lang\\Vantrel.en.dll",
                                                  data + L"\\Styles.vlib"};
    const std::vector<std::wstring> foreign_files{root + L"\\Other\\keep.txt", root + L"\\Other\\kept too.txt",
                                                  publisher + L"\\Other Product\\keep.txt"};
    for (const std::wstring& file : product_files)
        test::write_text(file, "the product's");
    for (const std::wstring& file : foreign_files)
        test::write_text(file, "not the product's");
    set_text(foreign_key, L"Owner", L"someone else");
    write_log({{L"00ff:1", publisher},
               {L"00ff:1", data},
               {L"0104:1", data + L"\\Styles.vlib"},
               {L"0102:1", install + L"\\Uninstall.exe"},
               {L"00ff:1", install + L"\\Lang"},
               {L"0103:1", install + L"\\Lang\\Vantrel.en.dll"},
               {L"0101:1", install + L"\\Vantrel.exe"},
               // Lines a user added: another folder of the machine, a way out of the
               // installation folder, a neighbour of the product's data, and a key.
               {L"0101:1", root + L"\\Other\\keep.txt"},
               {L"0101:1", install + L"\\..\\Other\\kept too.txt"},
               {L"0104:1", publisher + L"\\Other Product\\keep.txt"},
               {L"00ff:1", root + L"\\Other"},
               {L"05ff:1", L"HKEY_LOCAL_MACHINE\\" + foreign_key}});

    const std::string report = uninstall();

    for (const std::wstring& file : product_files)
        EXPECT_FALSE(exists(file)) << test::narrow(file);
    EXPECT_FALSE(exists(data)) << report;
    EXPECT_FALSE(key_exists(product_key)); // the product's own key goes whatever the log says
    for (const std::wstring& file : foreign_files)
        EXPECT_TRUE(exists(file)) << test::narrow(file);
    EXPECT_TRUE(key_exists(foreign_key));
    for (const std::wstring& line :
         {L"Left alone, outside the product's folders: " + root + L"\\Other\\keep.txt",
          L"Left alone, not a plain full path: " + install + L"\\..\\Other\\kept too.txt",
          L"Left alone, outside the product's folders: " + publisher + L"\\Other Product\\keep.txt",
          L"Left alone, outside the product's folders: " + root + L"\\Other",
          L"Left alone, not the product's key: HKEY_LOCAL_MACHINE\\" + foreign_key})
        EXPECT_NE(report.find(test::narrow(line) + "\r\n"), std::string::npos) << test::narrow(line) << "\n" << report;
}

TEST_F(Uninstaller, RunsFromACopyInAFolderWithARandomName)
{
    write_log({{L"0102:1", install + L"\\Uninstall.exe"}, {L"0101:1", install + L"\\Vantrel.exe"}});
    test::write_text(install + L"\\Vantrel.exe", "the product's");
    EXPECT_EQ(uninstall(), "");
    EXPECT_FALSE(exists(install + L"\\Vantrel.exe"));
    std::vector<std::wstring> made;
    for (const std::wstring& name : private_copies()) {
        if (std::find(copies_before.begin(), copies_before.end(), name) == copies_before.end())
            made.push_back(name);
    }
    ASSERT_EQ(made.size(), 1u);
    const std::wstring suffix = made[0].substr(std::wstring(L"Vantrel-Uninstall-").size());
    EXPECT_EQ(suffix.size(), 32u);
    EXPECT_EQ(suffix.find_first_not_of(L"0123456789abcdef"), std::wstring::npos) << test::narrow(made[0]);
    EXPECT_TRUE(exists(temporary_folder() + made[0] + L"\\Uninstall.exe"));
    // The old predictable name is not used any more.
    WIN32_FIND_DATAW data;
    const HANDLE old = ::FindFirstFileW((temporary_folder() + L"Uninstall-Vantrel-*.exe").c_str(), &data);
    EXPECT_EQ(old, INVALID_HANDLE_VALUE);
    if (old != INVALID_HANDLE_VALUE)
        ::FindClose(old);
}

TEST_F(Uninstaller, NothingIsRemovedThroughALinkInTheDataFolder)
{
    // A user made a folder of the product's data a link to a folder of someone else's.
    ::CreateDirectoryW((shell_folder(CSIDL_COMMON_APPDATA) + L"\\Marrowin").c_str(), nullptr);
    ::CreateDirectoryW(data.c_str(), nullptr);
    ::CreateDirectoryW((root + L"\\Target").c_str(), nullptr);
    const std::wstring victim = root + L"\\Target\\victim.txt";
    test::write_text(victim, "someone else's");
    if (!test::make_folder_link(data + L"\\Linked", root + L"\\Target"))
        GTEST_SKIP() << "this system makes no folder links";
    write_log({{L"00ff:1", data + L"\\Linked"},
               {L"0104:1", data + L"\\Linked\\victim.txt"},
               {L"0102:1", install + L"\\Uninstall.exe"},
               {L"0101:1", install + L"\\Vantrel.exe"}});
    test::write_text(install + L"\\Vantrel.exe", "the product's");

    const std::string report = uninstall();

    EXPECT_TRUE(exists(victim));
    EXPECT_FALSE(exists(install + L"\\Vantrel.exe"));
    EXPECT_NE(report.find(test::narrow(L"Left alone, reached through a link: " + data + L"\\Linked\\victim.txt")),
              std::string::npos)
        << report;
}

} // namespace
