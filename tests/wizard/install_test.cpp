// A whole installation through the wizard: Install pressed, the run's log, what it leaves on
// the machine, and the end page.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <objbase.h>
#include <bzlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <vector>

#include "command_line.h"
#include "helper_process.h"
#include "shell_link.h"
#include "payload/archive_format.h"
#include "payload/bzip2_reader.h"
#include "payload/crc32.h"
#include "payload/destination.h"
#include "payload/memstream.h"
#include "state_fixture.h"
#include "holders/handles.h"
#include "installation_fixture.h"
#include "wizard_driver.h"

namespace {

using test::Installation;
using test::install_quickly;
using test::product_key;
using test::registry_number;
using test::registry_text;
using test::shell_folder;


// The archive's directory as the built installer carries it: each entry's kind and target.
struct payload_target {
    std::uint32_t kind;
    std::wstring target;
    std::uint32_t crc;
};

std::vector<payload_target> payload_targets(const std::wstring& install_folder)
{
    const tal::unique_hmodule installer(
        ::LoadLibraryExW(test::installer_path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    const HRSRC info = ::FindResourceW(installer.get(), MAKEINTRESOURCEW(IDR_PAYLOAD), MAKEINTRESOURCEW(RT_PAYLOAD));
    if (!info)
        return {};
    const char* bytes = static_cast<const char*>(::LockResource(::LoadResource(installer.get(), info)));
    tal::imemstream source(bytes, ::SizeofResource(installer.get(), info));
    payload::bzip2_reader reader(source);
    std::string header(8, '\0');
    reader.read(header.data(), 8);
    header.resize(static_cast<std::size_t>(payload::read_u64(header.data())));
    for (std::size_t got = 8; got < header.size();)
        got += reader.read(header.data() + got, header.size() - got);
    std::vector<payload_target> targets;
    const payload::destination_roots roots{install_folder, L"", L"C:\\temporary"};
    for (const payload::archive_entry& entry : payload::decode_directory(header.data(), header.size()))
        targets.push_back({entry.kind,
                           payload::join_path(payload::resolve_destination(entry.destination, roots),
                                              payload::last_element(entry.source)),
                           entry.crc});
    return targets;
}

// The folders that creating `folder` adds, top-down, from the first below the drive.
std::vector<std::wstring> new_folders(const std::wstring& folder, std::set<std::wstring>& created)
{
    std::vector<std::wstring> added;
    for (std::size_t at = folder.find(L'\\', 3); ; at = folder.find(L'\\', at + 1)) {
        const std::wstring prefix = at == std::wstring::npos ? folder : folder.substr(0, at);
        if (!created.count(prefix) && ::GetFileAttributesW(prefix.c_str()) == INVALID_FILE_ATTRIBUTES) {
            created.insert(prefix);
            added.push_back(prefix);
        }
        if (at == std::wstring::npos)
            break;
    }
    return added;
}

TEST_F(Installation, QuickInstallationInstallsRegistersAndLogs)
{
    // The uninstall log this installation must write, computed before anything exists.
    const std::wstring menu = shell_folder(CSIDL_COMMON_PROGRAMS) + L"\\Marrowin\\Vantrel 7";
    std::set<std::wstring> created;
    std::vector<std::wstring> lines;
    const auto add = [&lines](const std::wstring& flags, const std::wstring& text) {
        wchar_t position[16];
        swprintf(position, 16, L"%04zu", lines.size());
        lines.push_back(std::wstring(position) + L":" + flags + L" -- " + text + L"\r\n");
    };
    const auto targets = payload_targets(install_folder);
    ASSERT_EQ(targets.size(), 54u);
    for (const auto& [kind, target, crc] : targets) {
        if (kind == static_cast<std::uint32_t>(payload::entry_kind::redistributable))
            continue;
        for (const std::wstring& folder : new_folders(target.substr(0, target.find_last_of(L'\\')), created))
            add(L"00ff:1", folder);
        add(L"010" + std::to_wstring(kind) + L":1", target);
    }
    for (const std::wstring& folder : new_folders(menu, created))
        add(L"00ff:1", folder);
    add(L"02ff:1", menu + L"\\Vantrel 7.05a.lnk");
    add(L"03ff:1", menu + L"\\Uninstall Vantrel.lnk");
    add(L"04ff:1", shell_folder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Vantrel 7.05a.lnk");
    add(L"07ff:1", L"Mise \u00e0 jour de DirectX...");
    add(L"05ff:1", L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel 7");
    add(L"06ff:1", L"HKEY_CLASSES_ROOT\\...");
    const std::wstring shortcut_line = L"Shortcut Path : " + menu;
    std::wstring expected_log = L"// Uninstall Log File v1\r\n"
                                L"// ############ WARNING: Do not delete or modify this file. ############\r\n"
                                L"// Install Vantrel 7.05a\r\n"
                                L"// Install Path : " + install_folder + L"\r\n"
                                L"// " + shortcut_line + L"\r\n"
                                L"// " + std::wstring(shortcut_line.size(), L'-') + L"\r\n";
    for (const std::wstring& line : lines)
        expected_log += line;

    test::wizard w;
    w.next();
    w.next();
    ASSERT_TRUE(w.wait_page(PAGE_INSTALL));
    w.next(); // Install
    // The run ends with Exit enabled again.
    for (int i = 0; i < 200 && !test::item_enabled(w.frame(), IDCANCEL); ++i)
        ::Sleep(100);
    ASSERT_TRUE(test::item_enabled(w.frame(), IDCANCEL));
    const std::wstring log = test::item_text(w.page(), IDC_LOG);

    EXPECT_NE(log.find(L"Preparing Installation...OK\r\n"), std::wstring::npos) << test::narrow(log);
    EXPECT_NE(log.find(L"Copying File  \"" + install_folder + L"\\Vantrel.exe\"...OK\r\n"), std::wstring::npos);
    EXPECT_NE(log.find(L"Shortcuts Creation...OK\r\n"), std::wstring::npos);
    // The setup library in every language says it in French.
    EXPECT_NE(log.find(L"Mise \u00e0 jour de DirectX...OK\r\n"), std::wstring::npos);
    // The product registered its document type and ended with -10.
    EXPECT_NE(log.find(L"Registry Data Writing...OK\r\n"), std::wstring::npos);
    EXPECT_NE(log.find(L"Installation Data Writing...OK\r\n"), std::wstring::npos);
    EXPECT_EQ(test::item_text(w.page(), IDC_STATUS), L"Click on 'Next' to continue.");
    EXPECT_EQ(test::item_text(w.frame(), IDOK), L"Next  >");
    EXPECT_EQ(test::item_text(w.frame(), IDCANCEL), L"Exit");
    EXPECT_FALSE(test::item_enabled(w.frame(), IDC_BACK));

    // On the machine: the files, read-only program and uninstaller, the log, the key, links.
    const DWORD program = ::GetFileAttributesW((install_folder + L"\\Vantrel.exe").c_str());
    ASSERT_NE(program, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(program & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(::GetFileAttributesW((install_folder + L"\\Uninstall.exe").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(::PathFileExistsW((install_folder + L"\\Lang\\Vantrel.en.dll").c_str()));
    EXPECT_TRUE(::PathFileExistsW((install_folder + L"\\Uninstall.ulog").c_str()));
    EXPECT_TRUE(::PathFileExistsW((shell_folder(CSIDL_COMMON_APPDATA) + L"\\Marrowin\\Vantrel\\Styles.vlib").c_str()));
    EXPECT_TRUE(::PathFileExistsW((shell_folder(CSIDL_APPDATA) + L"\\Marrowin\\Vantrel\\UserImages.bmp").c_str()));
    EXPECT_TRUE(::PathFileExistsW(
        (shell_folder(CSIDL_COMMON_PROGRAMS) + L"\\Marrowin\\Vantrel 7\\Vantrel 7.05a.lnk").c_str()));
    EXPECT_TRUE(::PathFileExistsW(
        (shell_folder(CSIDL_COMMON_PROGRAMS) + L"\\Marrowin\\Vantrel 7\\Uninstall Vantrel.lnk").c_str()));
    EXPECT_TRUE(::PathFileExistsW((shell_folder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Vantrel 7.05a.lnk").c_str()));
    const std::wstring links = shell_folder(CSIDL_COMMON_PROGRAMS) + L"\\Marrowin\\Vantrel 7\\";
    EXPECT_EQ(test::read_link(links + L"Vantrel 7.05a.lnk"), std::make_pair(install_folder + L"\\Vantrel.exe", install_folder));
    EXPECT_EQ(test::read_link(links + L"Uninstall Vantrel.lnk"),
              std::make_pair(install_folder + L"\\Uninstall.exe", install_folder));
    EXPECT_EQ(test::read_link(shell_folder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Vantrel 7.05a.lnk"),
              std::make_pair(install_folder + L"\\Vantrel.exe", install_folder));
    // The page's lines in their order.
    std::size_t at = 0;
    for (const wchar_t* line : {L"Preparing Installation...OK", L"DSETUP.dll...OK", L"Wood.jpg...OK",
                                L"Vantrel.exe\"...OK", L"Shortcuts Creation...OK", L"DirectX...OK",
                                L"Registry Data Writing...OK", L"Installation Data Writing...OK"}) {
        const std::size_t next = log.find(line, at);
        EXPECT_NE(next, std::wstring::npos) << test::narrow(line);
        at = next == std::wstring::npos ? at : next;
    }
    EXPECT_EQ(registry_text(L"DisplayName"), L"Vantrel 7.05a");
    EXPECT_EQ(registry_text(L"UninstallString"), L"\"" + install_folder + L"\\Uninstall.exe\"");
    EXPECT_EQ(registry_text(L"DisplayIcon"), install_folder + L"\\Vantrel.exe,0");
    EXPECT_EQ(registry_text(L"DisplayVersion"), L"7.5.1.1");
    EXPECT_EQ(registry_text(L"Publisher"), L"Marrowin");
    EXPECT_EQ(registry_number(L"NoModify"), 1u);
    EXPECT_EQ(registry_number(L"NoRepair"), 1u);
    EXPECT_EQ(registry_number(L"TalLanguage"), 1u);

    // Every file of the payload in place with its CRC; the uninstall log byte for byte.
    for (const auto& [kind, target, crc] : targets) {
        // The setup files went with the temporary folder (above).
        if (kind != static_cast<std::uint32_t>(payload::entry_kind::redistributable)) {
            EXPECT_EQ(payload::file_crc32(target), crc) << test::narrow(target);
        }
    }
    EXPECT_EQ(test::read_bytes(install_folder + L"\\Uninstall.ulog"), test::utf16_file(expected_log));

    wchar_t document[64] = {};
    DWORD size = sizeof document;
    EXPECT_EQ(::RegGetValueW(HKEY_CLASSES_ROOT, L".vantrel", nullptr, RRF_RT_REG_SZ, nullptr, document, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(document, L"Vantrel.Document");
    // The temporary folder is gone with the setup files.
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW((std::wstring(temp) + L"marrowin_{*").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE);
    if (search != INVALID_HANDLE_VALUE)
        ::FindClose(search);

    // The end page, then Exit without a question.
    w.next();
    ASSERT_TRUE(w.wait_page(PAGE_END));
    EXPECT_EQ(test::item_text(w.page(), IDC_TEXT), L"Installation is complete.");
    EXPECT_TRUE(test::item_enabled(w.frame(), IDC_BACK));
    EXPECT_FALSE(test::item_enabled(w.frame(), IDOK));
    w.press_frame(IDCANCEL);
    EXPECT_TRUE(w.ended(10000));

    // The product's uninstaller, started as the system starts the key's command, takes
    // everything away again.
    {
        DWORD code = 1;
        ASSERT_TRUE(test::run_command_line(registry_text(L"UninstallString") + L" /S", 20000, code));
        EXPECT_EQ(code, 0u);
    }
    // The uninstaller's copy removes the newest entries first: the installation folder goes
    // before the data folders, so wait for all of them.
    const std::vector<std::wstring> removed = {
        shell_folder(CSIDL_PROGRAM_FILES) + L"\\Marrowin", shell_folder(CSIDL_COMMON_PROGRAMS) + L"\\Marrowin",
        shell_folder(CSIDL_COMMON_APPDATA) + L"\\Marrowin", shell_folder(CSIDL_APPDATA) + L"\\Marrowin",
        shell_folder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Vantrel 7.05a.lnk"};
    test::wait_until_gone(removed);
    for (const std::wstring& gone : removed)
        EXPECT_FALSE(::PathFileExistsW(gone.c_str())) << test::narrow(gone);
    EXPECT_EQ(registry_text(L"DisplayName"), L"<none>");
    HKEY raw = nullptr;
    EXPECT_NE(::RegOpenKeyExW(HKEY_CLASSES_ROOT, L".vantrel", 0, KEY_READ, &raw), ERROR_SUCCESS);
    EXPECT_NE(::RegOpenKeyExW(HKEY_CLASSES_ROOT, L"Vantrel.Document", 0, KEY_READ, &raw), ERROR_SUCCESS);
}

// What an installation touches: the product's folders and its desktop link.
std::map<std::wstring, std::pair<DWORD, std::string>> machine_snapshot()
{
    std::map<std::wstring, std::pair<DWORD, std::string>> all;
    for (const int csidl : {CSIDL_PROGRAM_FILES, CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_APPDATA, CSIDL_APPDATA}) {
        const std::wstring folder = shell_folder(csidl) + L"\\Marrowin";
        all[folder] = {::GetFileAttributesW(folder.c_str()), ""};
        for (const auto& [path, item] : test::snapshot(folder))
            all[folder + L"\\" + path] = item;
    }
    const std::wstring link = shell_folder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Vantrel 7.05a.lnk";
    all[link] = {::GetFileAttributesW(link.c_str()), ""};
    return all;
}

TEST_F(Installation, TargetHeldByAnotherProgramRollsEverythingBack)
{
    // A file of the product is in use: the extraction fails there and is undone.
    ::CreateDirectoryW((shell_folder(CSIDL_PROGRAM_FILES) + L"\\Marrowin").c_str(), nullptr);
    ::CreateDirectoryW(install_folder.c_str(), nullptr);
    const std::wstring held = install_folder + L"\\Vantrel.exe";
    test::write_text(held, "an older program, in use");
    // The key of the installation that is there already.
    HKEY raw = nullptr;
    ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, product_key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr);
    const std::wstring old_name = L"Vantrel 7.04", old_comment = L"kept";
    ::RegSetValueExW(raw, L"DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(old_name.c_str()),
                     static_cast<DWORD>((old_name.size() + 1) * sizeof(wchar_t)));
    ::RegSetValueExW(raw, L"Comments", 0, REG_SZ, reinterpret_cast<const BYTE*>(old_comment.c_str()),
                     static_cast<DWORD>((old_comment.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(raw);
    const auto before = machine_snapshot();
    {
        test::helper_process holder(L"hold_file.exe", L"\"" + held + L"\" 60000");
        test::wizard w;
        const std::wstring log = install_quickly(w);
        EXPECT_NE(log.find(L"Copying File  \"" + held + L"\"...Failed\r\n"), std::wstring::npos) << test::narrow(log);
        EXPECT_EQ(test::item_text(w.page(), IDC_STATUS), L"Installation failed (Error Code 1:00000020).");
        EXPECT_EQ(test::item_text(w.frame(), IDOK), L"Install"); // another run may be started
        EXPECT_TRUE(w.leave());
    }
    EXPECT_EQ(machine_snapshot(), before);
    // The key is written only after a good extraction: it is as it was.
    EXPECT_EQ(registry_text(L"DisplayName"), L"Vantrel 7.04");
    EXPECT_EQ(registry_text(L"Comments"), L"kept");
    EXPECT_EQ(registry_text(L"UninstallString"), L"<none>");
}

TEST_F(Installation, AdvancedModeAnotherFolderAndTheDesktopShortcutAlone)
{
    const std::wstring chosen = L"C:\\My Programs\\Vantrel Seven";
    install_folder = L"C:\\My Programs"; // so that the fixture removes it afterwards
    {
        test::wizard w;
        w.next();
        w.press_page(IDC_ADVANCED_MODE);
        w.next();
        ASSERT_TRUE(w.wait_page(PAGE_PATH));
        test::set_item_text(w.page(), IDC_FOLDER, chosen);
        w.next();
        ASSERT_TRUE(w.wait_page(PAGE_SHORTCUT));
        w.press_page(IDC_MENU_SHORTCUT); // no Start-menu shortcuts
        w.next();
        ASSERT_TRUE(w.wait_page(PAGE_INSTALL));
        const std::wstring summary = test::item_text(w.page(), IDC_LOG);
        EXPECT_NE(summary.find(L"Installation Folder: \"" + chosen + L"\"."), std::wstring::npos);
        EXPECT_EQ(summary.find(L"Start Menu"), std::wstring::npos);
        w.next();
        for (int i = 0; i < 200 && !test::item_enabled(w.frame(), IDCANCEL); ++i)
            ::Sleep(100);
        const std::wstring log = test::item_text(w.page(), IDC_LOG);
        EXPECT_NE(log.find(L"Shortcuts Creation...OK"), std::wstring::npos);
        EXPECT_NE(log.find(L"Registry Data Writing...OK"), std::wstring::npos) << test::narrow(log);
        w.press_frame(IDCANCEL);
        EXPECT_TRUE(w.ended(10000));
    }
    EXPECT_TRUE(::PathFileExistsW((chosen + L"\\Vantrel.exe").c_str()));
    EXPECT_FALSE(::PathFileExistsW((shell_folder(CSIDL_COMMON_PROGRAMS) + L"\\Marrowin").c_str()));
    const auto [target, working] = test::read_link(shell_folder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Vantrel 7.05a.lnk");
    EXPECT_EQ(target, chosen + L"\\Vantrel.exe");
    EXPECT_EQ(working, chosen);
    EXPECT_EQ(registry_text(L"UninstallString"), L"\"" + chosen + L"\\Uninstall.exe\"");
}

TEST_F(Installation, DamagedPayloadWritesNothing)
{
    const auto before = machine_snapshot();
    {
        test::wizard w(test::test_folder() + L"InstallVantrel-damaged.exe");
        const std::wstring log = install_quickly(w);
        EXPECT_NE(log.find(L"Preparing Installation...Failed\r\n"), std::wstring::npos) << test::narrow(log);
        EXPECT_EQ(log.find(L"Copying File"), std::wstring::npos);
        EXPECT_EQ(test::item_text(w.page(), IDC_STATUS), L"Installation failed (Error Code 4).");
        EXPECT_TRUE(w.leave());
    }
    EXPECT_EQ(machine_snapshot(), before);
    EXPECT_EQ(registry_text(L"DisplayName"), L"<none>");
}

BOOL CALLBACK first_language(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found)
{
    *reinterpret_cast<WORD*>(found) = language;
    return FALSE;
}

// A copy of the built installer around a payload whose test takes a while and finds the damage
// only in its last block, made once beside the tests.
std::wstring slowly_tested_damaged_installer()
{
    static const std::wstring path = [] {
        const std::wstring copy = test::test_folder() + L"InstallVantrel-damaged-late.exe";
        // 24 MB of sixteen letters: about a second of decoding.
        std::string data(24 << 20, '\0');
        std::uint32_t seed = 1;
        for (char& c : data) {
            seed = seed * 1103515245u + 12345u;
            c = static_cast<char>('a' + (seed >> 16) % 16);
        }
        payload::crc32 crc;
        crc.update(data.data(), data.size());
        const std::string archive =
            payload::encode_header({{L"Vantrel.exe", L"<InstallPath>", 1, data.size(), crc.value()}}) + data;
        std::string compressed(archive.size() + archive.size() / 100 + 600, '\0');
        auto size = static_cast<unsigned>(compressed.size());
        if (BZ2_bzBuffToBuffCompress(compressed.data(), &size, const_cast<char*>(archive.data()),
                                     static_cast<unsigned>(archive.size()), 9, 0, 0) != BZ_OK)
            return std::wstring();
        compressed.resize(size);
        compressed[compressed.size() - 64] ^= 0x55;
        if (!::CopyFileW(test::installer_path().c_str(), copy.c_str(), FALSE))
            return std::wstring();
        WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
        {
            const tal::unique_hmodule installer(::LoadLibraryExW(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
            ::EnumResourceLanguagesW(installer.get(), MAKEINTRESOURCEW(RT_PAYLOAD), MAKEINTRESOURCEW(IDR_PAYLOAD),
                                     first_language, reinterpret_cast<LONG_PTR>(&language));
        }
        const HANDLE update = ::BeginUpdateResourceW(copy.c_str(), FALSE);
        if (!update)
            return std::wstring();
        if (!::UpdateResourceW(update, MAKEINTRESOURCEW(RT_PAYLOAD), MAKEINTRESOURCEW(IDR_PAYLOAD), language,
                               compressed.data(), static_cast<DWORD>(compressed.size()))) {
            ::EndUpdateResourceW(update, TRUE);
            return std::wstring();
        }
        return ::EndUpdateResourceW(update, FALSE) ? copy : std::wstring();
    }();
    return path;
}

TEST_F(Installation, TheArchiveTestInTheBackgroundEndsWithTheWizard)
{
    // The archive is tested from when the wizard opens. Install pressed at once, most likely
    // while the test still runs, waits for its result; the wizard closed during the test ends
    // as at any other time. Either way nothing is written.
    const std::wstring installer = slowly_tested_damaged_installer();
    ASSERT_FALSE(installer.empty());
    const auto before = machine_snapshot();
    {
        test::wizard w(installer);
        const std::wstring log = install_quickly(w);
        EXPECT_NE(log.find(L"Preparing Installation...Failed\r\n"), std::wstring::npos) << test::narrow(log);
        EXPECT_EQ(log.find(L"Copying File"), std::wstring::npos);
        EXPECT_EQ(test::item_text(w.page(), IDC_STATUS), L"Installation failed (Error Code 4).");
        EXPECT_TRUE(w.leave());
    }
    for (const int page : {PAGE_START, PAGE_INSTALL}) {
        SCOPED_TRACE(page);
        test::wizard w(installer);
        if (page == PAGE_INSTALL) {
            w.next();
            w.next();
            ASSERT_TRUE(w.wait_page(PAGE_INSTALL));
        }
        std::wstring question;
        EXPECT_TRUE(w.leave(&question));
        EXPECT_EQ(question, L"Installation is not complete.\r\n\r\nDo you still confirm exit Installation ?");
    }
    EXPECT_EQ(machine_snapshot(), before);
    EXPECT_EQ(registry_text(L"DisplayName"), L"<none>");
}

TEST_F(Installation, ReinstallationAndNewerVersion)
{
    {
        test::wizard first;
        install_quickly(first);
        first.press_frame(IDCANCEL);
        ASSERT_TRUE(first.ended(10000));
    }
    {
        // The same version again: the start page asks to confirm, and the textures are written again.
        test::wizard again;
        EXPECT_EQ(test::item_text(again.page(), IDC_TEXT),
                  L"'Vantrel 7.05a' is already installed.\r\nDo you confirm Reinstallation ?");
        const std::wstring log = install_quickly(again);
        EXPECT_NE(log.find(L"Textures\\Vantrel\\Wood.jpg\"...OK") == std::wstring::npos
                      ? log.find(L"Textures\\Vantrel\\Wood.jpg...OK")
                      : log.find(L"Textures\\Vantrel\\Wood.jpg\"...OK"),
                  std::wstring::npos)
            << test::narrow(log);
        EXPECT_NE(log.find(L"Installation Data Writing...OK"), std::wstring::npos);
        again.press_frame(IDCANCEL);
        ASSERT_TRUE(again.ended(10000));
    }
    // A newer version installed: Next stays disabled and Exit leaves at once.
    const std::wstring program = install_folder + L"\\Vantrel.exe";
    ::SetFileAttributesW(program.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(::CopyFileW((test::test_folder() + L"program_8_0_0_0.dll").c_str(), program.c_str(), FALSE));
    test::wizard newer;
    EXPECT_FALSE(test::item_enabled(newer.frame(), IDOK));
    newer.press_frame(IDCANCEL);
    EXPECT_TRUE(newer.ended(10000));
}

// Turns the installed product into an installation of the older 7.04: its program, a log
// whose title is the old one, a file of the old version that this one no longer installs, and
// the user's changed picture library.
void age_installation(const std::wstring& install_folder, const std::wstring& user_images)
{
    const std::wstring program = install_folder + L"\\Vantrel.exe";
    ::SetFileAttributesW(program.c_str(), FILE_ATTRIBUTE_NORMAL);
    const std::wstring older = test::test_folder() + L"..\\..\\sample\\" + std::wstring(OLDER_PROGRAM, OLDER_PROGRAM + strlen(OLDER_PROGRAM));
    ASSERT_TRUE(::CopyFileW(older.c_str(), program.c_str(), FALSE));
    test::write_text(install_folder + L"\\Old.dll", "a module of 7.04");
    test::write_text(user_images, "the user's own pictures");

    const std::wstring log_path = install_folder + L"\\Uninstall.ulog";
    std::string bytes = test::read_bytes(log_path);
    std::wstring text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    const std::wstring title = L"// Install Vantrel 7.05a";
    text.replace(text.find(title), title.size(), L"// Install Vantrel 7.04");
    text += L"9999:0101:1 -- " + install_folder + L"\\Old.dll\r\n";
    ::SetFileAttributesW(log_path.c_str(), FILE_ATTRIBUTE_NORMAL);
    test::write_text(log_path, test::utf16_file(text));
}

TEST_F(Installation, UpdateFromAnOlderVersion)
{
    {
        test::wizard first;
        install_quickly(first);
        first.press_frame(IDCANCEL);
        ASSERT_TRUE(first.ended(10000));
    }
    const std::wstring user_images = shell_folder(CSIDL_APPDATA) + L"\\Marrowin\\Vantrel\\UserImages.bmp";
    age_installation(install_folder, user_images);

    test::wizard update;
    EXPECT_EQ(test::item_text(update.page(), IDC_TEXT), L"Update from 'Vantrel 7.04' to 'Vantrel 7.05a'.");
    const std::wstring log = install_quickly(update);
    EXPECT_EQ(log.find(L"Wood.jpg"), std::wstring::npos);        // textures skipped on an update
    EXPECT_EQ(log.find(L"UserImages.bmp"), std::wstring::npos);  // the user's files are kept
    EXPECT_EQ(log.find(L"DirectX"), std::wstring::npos);         // done by the installation before
    EXPECT_NE(log.find(L"Vantrel.exe\"...OK"), std::wstring::npos) << test::narrow(log);
    EXPECT_NE(log.find(L"Installation Data Writing...OK"), std::wstring::npos);
    EXPECT_EQ(test::read_bytes(user_images), "the user's own pictures");

    // The new log: the update's title; the old version's file kept, in front of this run's.
    const std::string bytes = test::read_bytes(install_folder + L"\\Uninstall.ulog");
    EXPECT_NE(bytes.find(test::utf16_file(L"// Install Vantrel 7.05a -- Update (Vantrel 7.04)\r\n").substr(2)),
              std::string::npos);
    const std::size_t old_file = bytes.find(test::utf16_file(L":0101:1 -- " + install_folder + L"\\Old.dll\r\n").substr(2));
    const std::size_t program = bytes.find(test::utf16_file(L":0101:1 -- " + install_folder + L"\\Vantrel.exe\r\n").substr(2));
    ASSERT_NE(old_file, std::string::npos);
    ASSERT_NE(program, std::string::npos);
    EXPECT_LT(old_file, program);
    EXPECT_EQ(bytes.find(test::utf16_file(L"9999:0101:1").substr(2)), std::string::npos); // renumbered
    update.press_frame(IDCANCEL);
    EXPECT_TRUE(update.ended(10000));
}

} // namespace
