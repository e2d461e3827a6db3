// The folder and shortcut pages refuse folders that the installation could not use: not a
// full path, or too long for what the installation makes below them. The message is in the
// installer's language; the page stays and the folder edit has the focus.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

#include "installation_fixture.h"
#include "wizard_driver.h"

namespace {

using test::Installation;

const std::wstring not_full_path =
    L"Please enter the full path of a folder, such as C:\\Programs\\Vantrel or \\\\server\\share\\Vantrel.";

// "Lang\Vantrel.de.dll" is the deepest path the payload puts below the installation folder:
// with its separator it leaves 259 - 20 characters for the folder.
constexpr std::size_t longest_install_folder = 239;

std::wstring folder_too_long(std::size_t longest)
{
    return L"The installation folder is too long for the files installed in it. Please choose a folder of no more "
           L"than " + std::to_wstring(longest) + L" characters.";
}

// `start` followed by folders of 'v's up to exactly `length` characters, in elements that a
// file system takes.
std::wstring long_path(std::wstring start, std::size_t length)
{
    while (start.size() < length) {
        const std::size_t room = length - start.size();
        if (room == 1)
            start += L'v';
        else
            start += L"\\" + std::wstring(std::min<std::size_t>(100, room - 1), L'v');
    }
    return start;
}

std::wstring long_folder(std::size_t length)
{
    return long_path(L"C:\\Long Folder", length);
}

// The control that has the keyboard focus in the thread of `frame`.
HWND focus_of(HWND frame)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(frame, nullptr), &info);
    return info.hwndFocus;
}

// Next with `folder` in the page's edit: the refusal it gives, with the page kept and the focus
// in the edit; empty when the page took the folder, and then Back returns to the page.
std::wstring refusal_of(test::wizard& w, const std::wstring& folder)
{
    const int page = w.page_index();
    test::set_item_text(w.page(), IDC_FOLDER, folder);
    w.next();
    HWND refusal = nullptr;
    for (int i = 0; i < 60 && !refusal && w.page_index() == page; ++i)
        refusal = test::wait_for_message_box(w.pid(), 50);
    if (!refusal) {
        EXPECT_EQ(w.page_index(), page + 1) << test::narrow(folder);
        w.back();
        EXPECT_TRUE(w.wait_page(page));
        return L"";
    }
    const std::wstring text = test::message_box_text(refusal);
    test::press(refusal, IDOK);
    test::settle();
    EXPECT_EQ(w.page_index(), page) << test::narrow(folder);
    EXPECT_EQ(focus_of(w.frame()), ::GetDlgItem(w.page(), IDC_FOLDER)) << test::narrow(folder);
    return text;
}

TEST(FolderPage, OnlyAFullPathIsTaken)
{
    test::wizard w;
    w.to_folder_page();
    ASSERT_TRUE(w.wait_page(PAGE_PATH));
    for (const wchar_t* folder : {L"relinstall", L"", L"Apps\\Vantrel", L"C:", L"C:\\", L"C:relative",
                                  L"\\Apps\\Vantrel", L"\\\\server", L"\\\\server\\share", L"C:\\Apps\\\\Vantrel"})
        EXPECT_EQ(refusal_of(w, folder), not_full_path) << test::narrow(folder);
    EXPECT_EQ(refusal_of(w, L"\\\\server\\share\\Vantrel"), L"");
    EXPECT_EQ(refusal_of(w, L"D:\\Vantrel"), L"");
    EXPECT_TRUE(w.leave());
}

TEST(FolderPage, FolderTooLongForTheInstalledFilesIsRefused)
{
    test::wizard w;
    w.to_folder_page();
    ASSERT_TRUE(w.wait_page(PAGE_PATH));
    for (const std::size_t length : {std::size_t{240}, std::size_t{250}, std::size_t{260}})
        EXPECT_EQ(refusal_of(w, long_folder(length)), folder_too_long(longest_install_folder)) << length;
    // Still the framework's check above the edit's limit.
    EXPECT_EQ(refusal_of(w, long_folder(261)), L"Please enter no more than 260 characters.");
    EXPECT_EQ(refusal_of(w, long_folder(longest_install_folder)), L"");
    EXPECT_TRUE(w.leave());
}

TEST(FolderPage, RefusalsInTheInstallersLanguage)
{
    test::wizard w;
    w.pick_language(2); // Deutsch
    w.to_folder_page();
    ASSERT_TRUE(w.wait_page(PAGE_PATH));
    EXPECT_EQ(refusal_of(w, L"relinstall"), L"Bitte geben Sie den vollst\u00e4ndigen Pfad eines Ordners ein, zum "
                                            L"Beispiel C:\\Programme\\Vantrel oder \\\\Server\\Freigabe\\Vantrel.");
    EXPECT_EQ(refusal_of(w, long_folder(250)), L"Der Installationsordner ist zu lang f\u00fcr die darin installierten "
                                               L"Dateien. Bitte w\u00e4hlen Sie einen Ordner mit h\u00f6chstens 239 "
                                               L"Zeichen.");
    EXPECT_EQ(refusal_of(w, long_folder(300)), L"Bitte geben Sie h\u00f6chstens 260 Zeichen ein.");
    EXPECT_TRUE(w.leave());
}

TEST(ShortcutPage, StartMenuFolderTooLongForTheLinksIsRefused)
{
    wchar_t root[MAX_PATH] = {};
    ASSERT_TRUE(::SHGetSpecialFolderPathW(nullptr, root, CSIDL_COMMON_STARTMENU, FALSE));
    // "Uninstall Vantrel.lnk" is the longer link, with its separator 22 characters.
    const std::size_t longest = 259 - 22;
    // The relative text for a Start-menu folder of `length` characters.
    const auto relative = [&root](std::size_t length) { return long_path(L"Programs", length - wcslen(root) - 1); };
    test::wizard w;
    w.to_folder_page();
    w.next();
    ASSERT_TRUE(w.wait_page(PAGE_SHORTCUT));
    const std::wstring message = L"The Start menu folder is too long for the shortcuts created in it. Please choose "
                                 L"a folder of no more than " + std::to_wstring(longest) + L" characters.";
    EXPECT_EQ(refusal_of(w, relative(longest + 1)), message);
    EXPECT_EQ(refusal_of(w, relative(250)), message);
    EXPECT_EQ(refusal_of(w, relative(longest)), L"");
    // Without Start-menu shortcuts the folder does not matter.
    w.press_page(IDC_MENU_SHORTCUT);
    EXPECT_EQ(refusal_of(w, relative(250)), L"");
    w.press_page(IDC_MENU_SHORTCUT);
    test::set_item_text(w.page(), IDC_FOLDER, relative(longest));
    w.next();
    ASSERT_TRUE(w.wait_page(PAGE_INSTALL));
    const std::wstring summary = test::item_text(w.page(), IDC_LOG);
    EXPECT_NE(summary.find(std::wstring(root) + L"\\" + relative(longest)), std::wstring::npos)
        << test::narrow(summary);
    EXPECT_TRUE(w.leave());
}

TEST_F(Installation, FolderAtTheLimitTakesEveryFile)
{
    const std::wstring chosen = long_folder(longest_install_folder);
    install_folder = L"C:\\Long Folder"; // so that the fixture removes it afterwards
    {
        test::wizard w;
        w.to_folder_page();
        ASSERT_TRUE(w.wait_page(PAGE_PATH));
        test::set_item_text(w.page(), IDC_FOLDER, chosen);
        w.next();
        ASSERT_TRUE(w.wait_page(PAGE_SHORTCUT));
        w.next();
        ASSERT_TRUE(w.wait_page(PAGE_INSTALL));
        w.next();
        ASSERT_TRUE(test::wait_run_end(w));
        const std::wstring log = test::item_text(w.page(), IDC_LOG);
        EXPECT_EQ(log.find(L"...Failed"), std::wstring::npos) << test::narrow(log);
        EXPECT_NE(log.find(L"Installation Data Writing...OK"), std::wstring::npos) << test::narrow(log);
        w.press_frame(IDCANCEL);
        EXPECT_TRUE(w.ended(10000));
    }
    EXPECT_TRUE(::PathFileExistsW((chosen + L"\\Lang\\Vantrel.de.dll").c_str()));
    EXPECT_TRUE(::PathFileExistsW((chosen + L"\\Uninstall.ulog").c_str()));
    // The folder has a blank: the command is quoted as a whole.
    EXPECT_EQ(test::registry_text(L"UninstallString"), L"\"" + chosen + L"\\Uninstall.exe\"");
}

} // namespace
