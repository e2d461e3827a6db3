// Failed runs through the wizard and what their rollback leaves: the user's own file whose
// backup failed, and a reinstallation into a deep folder that must bring back every file.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "resources/resource_ids.h"
#include "installation_fixture.h"
#include "state_fixture.h"
#include "holders/handles.h"
#include "wizard_driver.h"

namespace {

using test::product_key;
// The folders below which the installation writes, each with the product's folder in it.
const int product_roots[] = {CSIDL_PROGRAM_FILES, CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_APPDATA, CSIDL_APPDATA};

const auto special_folder = test::shell_folder;

std::wstring desktop_link()
{
    return special_folder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Vantrel 7.05a.lnk";
}

// Every file and folder below `folders`, by full path, with attributes and contents.
std::map<std::wstring, std::pair<DWORD, std::string>> files_below(const std::vector<std::wstring>& folders)
{
    std::map<std::wstring, std::pair<DWORD, std::string>> all;
    for (const std::wstring& folder : folders) {
        all[folder] = {::GetFileAttributesW(folder.c_str()), ""};
        for (const auto& [path, item] : test::snapshot(folder))
            all[folder + L"\\" + path] = item;
    }
    return all;
}

std::vector<std::wstring> product_folders()
{
    std::vector<std::wstring> folders;
    for (const int csidl : product_roots)
        folders.push_back(special_folder(csidl) + L"\\Marrowin");
    return folders;
}


// A file held open by another program with no sharing but deletion: nobody can read, copy
// or write it, as with a file a backup program has locked.
tal::unique_hfile hold(const std::wstring& path, DWORD access, DWORD share)
{
    return tal::unique_hfile(::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr));
}

// Waits for the end of the run that Install started and returns the page's log.
std::wstring finish_run(test::wizard& w)
{
    for (int i = 0; i < 300 && !test::item_enabled(w.frame(), IDCANCEL); ++i)
        ::Sleep(100);
    return test::item_text(w.page(), IDC_LOG);
}

// Installs in advanced mode into `folder`, with the default shortcuts; returns the log.
std::wstring install_into(test::wizard& w, const std::wstring& folder)
{
    w.next();
    w.press_page(IDC_ADVANCED_MODE);
    w.next();
    if (!w.wait_page(2))
        return L"<no folder page>";
    test::set_item_text(w.page(), IDC_FOLDER, folder);
    w.next();
    if (!w.wait_page(3))
        return L"<no shortcut page>";
    w.next();
    if (!w.wait_page(4))
        return L"<no installation page>";
    w.next();
    return finish_run(w);
}

class Rollback : public ::testing::Test {
protected:
    void TearDown() override
    {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, product_key.c_str());
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, product_key.c_str());
        for (const std::wstring& folder : product_folders())
            test::remove_tree(folder);
        test::remove_tree(deep_base);
        ::DeleteFileW(desktop_link().c_str());
        ::SHDeleteKeyW(HKEY_CLASSES_ROOT, L".vantrel");
        ::SHDeleteKeyW(HKEY_CLASSES_ROOT, L"Vantrel.Document");
    }

    const std::wstring deep_base = L"C:\\VantrelDeep";
};

TEST_F(Rollback, UserFileWhoseBackupFailsIsKeptWhenTheRunFails)
{
    // The user's picture library from before, and an installation folder whose program is in
    // use, so that the extraction fails after the user's file was kept.
    const std::wstring user_folder = special_folder(CSIDL_APPDATA) + L"\\Marrowin\\Vantrel";
    ::SHCreateDirectoryExW(nullptr, user_folder.c_str(), nullptr);
    const std::wstring user_images = user_folder + L"\\UserImages.bmp";
    test::write_text(user_images, "the user's own pictures");
    const std::wstring install_folder = special_folder(CSIDL_PROGRAM_FILES) + L"\\Marrowin\\Vantrel 7";
    ::SHCreateDirectoryExW(nullptr, install_folder.c_str(), nullptr);
    const std::wstring program = install_folder + L"\\Vantrel.exe";
    test::write_text(program, "a program in use");
    const auto before = files_below(product_folders());
    {
        // No copy of the user's file can be made; deleting it is not prevented.
        const tal::unique_hfile locked = hold(user_images, GENERIC_READ, FILE_SHARE_DELETE);
        const tal::unique_hfile running = hold(program, GENERIC_READ | GENERIC_WRITE, 0);
        ASSERT_TRUE(locked && running);
        test::wizard w;
        w.next();
        w.next();
        ASSERT_TRUE(w.wait_page(4));
        w.next(); // Install
        const std::wstring log = finish_run(w);
        EXPECT_NE(log.find(L"Vantrel.exe\"...Failed\r\n"), std::wstring::npos) << test::narrow(log);
        EXPECT_EQ(log.find(L"UserImages.bmp"), std::wstring::npos); // kept, not extracted
        EXPECT_EQ(test::item_text(w.page(), IDC_STATUS), L"Installation failed (Error Code 1:00000020).");
        EXPECT_TRUE(w.leave());
    }
    EXPECT_EQ(test::read_bytes(user_images), "the user's own pictures");
    EXPECT_EQ(files_below(product_folders()), before);
    EXPECT_TRUE(test::product_key_values().empty());
}

TEST_F(Rollback, FailedReinstallationIntoADeepFolderRestoresEveryFile)
{
    // A folder as deep as the installation allows: its deepest file, Lang\Vantrel.xx.dll, has
    // a path of 255 characters.
    std::wstring folder = deep_base;
    while (folder.size() < 235)
        folder += L"\\" + std::wstring(std::min<std::size_t>(50, 234 - folder.size()), L'v');
    ASSERT_EQ(folder.size(), 235u);
    {
        test::wizard first;
        const std::wstring log = install_into(first, folder);
        ASSERT_NE(log.find(L"Installation Data Writing...OK"), std::wstring::npos) << test::narrow(log);
        first.press_frame(IDCANCEL);
        ASSERT_TRUE(first.ended(10000));
    }
    const std::wstring lang = folder + L"\\Lang";
    const std::wstring held = lang + L"\\Vantrel.tk.dll"; // the last module written
    ASSERT_EQ(held.size(), 255u);
    ASSERT_TRUE(::PathFileExistsW(held.c_str()));
    // Attributes that the rollback must bring back too: on a module moved away and on the
    // module that cannot be moved because it is in use.
    ::SetFileAttributesW((lang + L"\\Vantrel.de.dll").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    ::SetFileAttributesW(held.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    std::vector<std::wstring> folders = product_folders();
    folders.push_back(deep_base);
    const auto before = files_below(folders);
    const auto values = test::product_key_values();
    ASSERT_FALSE(values.empty());
    const std::wstring link = desktop_link();
    const std::string link_bytes = test::read_bytes(link);
    {
        const tal::unique_hfile in_use = hold(held, GENERIC_READ | GENERIC_WRITE, 0);
        ASSERT_TRUE(in_use);
        test::wizard again;
        const std::wstring log = install_into(again, folder);
        EXPECT_NE(log.find(L"Vantrel.tk.dll...Failed\r\n"), std::wstring::npos) << test::narrow(log);
        EXPECT_NE(log.find(L"Vantrel.de.dll...OK\r\n"), std::wstring::npos); // it was replaced
        EXPECT_EQ(test::item_text(again.page(), IDC_STATUS), L"Installation failed (Error Code 1:00000020).");
        EXPECT_TRUE(again.leave());
    }
    const auto after = files_below(folders);
    for (const auto& [path, item] : before) {
        const auto found = after.find(path);
        if (found == after.end()) {
            ADD_FAILURE() << "missing: " << test::narrow(path);
            continue;
        }
        EXPECT_EQ(found->second.first, item.first) << "attributes of " << test::narrow(path);
        EXPECT_TRUE(found->second.second == item.second) << "contents of " << test::narrow(path);
    }
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(test::product_key_values(), values);
    EXPECT_EQ(test::read_bytes(link), link_bytes);
}

} // namespace
