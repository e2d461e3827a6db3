// The installer started with /S as an administrator's tools start it: no window, the exit code,
// the /LOG file, and what it leaves on the machine beside what the wizard's run leaves.
// They install and use the product's Uninstall key: run alone.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "app/exit_codes.h"
#include "command_line.h"
#include "helper_process.h"
#include "holders/handles.h"
#include "installation_fixture.h"
#include "shell_link.h"
#include "state_fixture.h"
#include "support/object_names.h"
#include "wizard_driver.h"

namespace {

using test::product_key;
using test::registry_number;
using test::registry_text;
using test::shell_folder;

// A folder with blanks of the test's own, below the drive so that nothing else is in it.
const std::wstring tests_root = L"C:\\Silent Tests";

struct silent_run {
    DWORD code = 0xFFFFFFFF;
    // The visible top-level windows the installer showed while it ran: class and title.
    std::vector<std::wstring> windows;
};

struct window_watch {
    DWORD pid;
    std::vector<std::wstring>* seen;
};

BOOL CALLBACK note_window(HWND window, LPARAM parameter)
{
    auto* watch = reinterpret_cast<window_watch*>(parameter);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid != watch->pid || !::IsWindowVisible(window))
        return TRUE;
    wchar_t name[128] = {}, title[256] = {};
    ::GetClassNameW(window, name, 128);
    ::GetWindowTextW(window, title, 256);
    const std::wstring seen = std::wstring(name) + L" '" + title + L"'";
    if (std::find(watch->seen->begin(), watch->seen->end(), seen) == watch->seen->end())
        watch->seen->push_back(seen);
    return TRUE;
}

// Starts the installer with `arguments` and watches its windows until it ends (two minutes
// at most; a box waiting for an answer would keep it from ending).
silent_run run_installer(const std::wstring& arguments, const std::wstring& exe = test::installer_path())
{
    silent_run run;
    test::program installer(exe, arguments);
    window_watch watch{installer.id(), &run.windows};
    for (int i = 0; i < 12000; ++i) {
        ::EnumWindows(note_window, reinterpret_cast<LPARAM>(&watch));
        if (::WaitForSingleObject(installer.handle(), 10) == WAIT_OBJECT_0)
            break;
    }
    if (!installer.wait(0, run.code))
        run.code = 0xFFFFFFFF;
    return run;
}

std::string windows_text(const silent_run& run)
{
    std::string text;
    for (const std::wstring& window : run.windows)
        text += test::narrow(window) + "\n";
    return text;
}

// The /LOG file as text: UTF-8 after its byte order mark; "<no mark>" when the mark is missing.
std::wstring read_log(const std::wstring& path)
{
    const std::string bytes = test::read_bytes(path);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") != 0)
        return L"<no mark>";
    const int size = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data() + 3,
                                           static_cast<int>(bytes.size() - 3), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, bytes.data() + 3, static_cast<int>(bytes.size() - 3), text.data(), size);
    return text;
}

std::vector<std::wstring> lines_of(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find(L"\r\n", at)) != std::wstring::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    if (at < text.size())
        lines.push_back(text.substr(at) + L"<no line break>");
    return lines;
}

// A ruled line reduced to its text: the page rules by pixels, the log by characters.
std::vector<std::wstring> without_rules(std::vector<std::wstring> lines)
{
    for (std::wstring& line : lines) {
        if (line.empty() || line.front() != L'-' || line.back() != L'-')
            continue;
        const std::size_t first = line.find_first_not_of(L'-'), last = line.find_last_not_of(L'-');
        line = first == std::wstring::npos ? L"<rule>" : L"<rule>" + line.substr(first, last - first + 1);
    }
    return lines;
}

// Each run names its own temporary folder: the lines of two runs differ only there.
std::vector<std::wstring> without_run_folders(std::vector<std::wstring> lines)
{
    const std::wstring prefix = L"marrowin_{";
    for (std::wstring& line : lines) {
        const std::size_t open = line.find(prefix);
        const std::size_t close = open == std::wstring::npos ? open : line.find(L'}', open);
        if (close != std::wstring::npos)
            line.replace(open + prefix.size(), close - open - prefix.size(), L"<run>");
    }
    return lines;
}

bool contains(const std::vector<std::wstring>& lines, const std::wstring& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}


using machine_state = std::map<std::wstring, std::pair<DWORD, std::string>>;

bool is_link(const std::wstring& path)
{
    return path.size() > 4 && path.compare(path.size() - 4, 4, L".lnk") == 0;
}

// A link by what it points at: its bytes also hold the target's times, which differ between runs.
std::string link_text(const std::wstring& link)
{
    const auto [target, folder] = test::read_link(link);
    return test::narrow(target + L" in " + folder);
}

// What an installation touches: the product's folders, the test's own folder and the desktop link.
machine_state machine_snapshot()
{
    machine_state all;
    std::vector<std::wstring> roots{tests_root};
    for (const int csidl : {CSIDL_PROGRAM_FILES, CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_APPDATA, CSIDL_APPDATA})
        roots.push_back(shell_folder(csidl) + L"\\Marrowin");
    for (const std::wstring& folder : roots) {
        all[folder] = {::GetFileAttributesW(folder.c_str()), ""};
        for (const auto& [path, item] : test::snapshot(folder)) {
            const std::wstring full = folder + L"\\" + path;
            all[full] = is_link(full) ? std::make_pair(item.first, link_text(full)) : item;
        }
    }
    const std::wstring link = shell_folder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Vantrel 7.05a.lnk";
    const DWORD attributes = ::GetFileAttributesW(link.c_str());
    all[link] = {attributes, attributes == INVALID_FILE_ATTRIBUTES ? "" : link_text(link)};
    return all;
}

// The paths whose attributes or bytes differ between two snapshots, or that only one has:
// readable where a whole snapshot would bury the difference in file contents.
std::vector<std::string> differences(const machine_state& now, const machine_state& expected)
{
    std::vector<std::string> paths;
    for (const auto& [path, item] : now) {
        const auto other = expected.find(path);
        if (other == expected.end())
            paths.push_back("added " + test::narrow(path));
        else if (other->second != item)
            paths.push_back("changed " + test::narrow(path));
    }
    for (const auto& [path, item] : expected) {
        if (now.find(path) == now.end())
            paths.push_back("missing " + test::narrow(path));
    }
    return paths;
}

bool temporary_folder_left()
{
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((std::wstring(temp) + L"marrowin_{*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    ::FindClose(search);
    return true;
}

class SilentInstallation : public test::Installation {
protected:
    // The fixture takes the test's own folder away with the product's.
    SilentInstallation() { install_folder = tests_root; }

    test::scratch_folder logs;
    const std::wstring log_file = logs / L"silent install.log";
    const std::wstring menu = shell_folder(CSIDL_COMMON_PROGRAMS) + L"\\Marrowin\\Vantrel 7";
    const std::wstring desktop_link = shell_folder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Vantrel 7.05a.lnk";
};

TEST_F(SilentInstallation, FreshIntoAFolderWithBlanksWithoutAnyWindowThenUninstalled)
{
    const std::wstring folder = tests_root + L"\\Vantrel Seven";
    const silent_run run = run_installer(L"/S \"/LOG=" + log_file + L"\" /D=" + folder);
    EXPECT_EQ(run.code, static_cast<DWORD>(EXIT_INSTALLED));
    EXPECT_TRUE(run.windows.empty()) << windows_text(run);

    // The log: the page's summary, then the run's lines, each step OK.
    const std::vector<std::wstring> lines = lines_of(read_log(log_file));
    ASSERT_GE(lines.size(), 12u);
    EXPECT_EQ(lines[0], L"'Vantrel 7.05a' Installation.");
    EXPECT_EQ(lines[1], L"--------------------- Installation Options ---------------------");
    EXPECT_EQ(lines[2], L"Installation Folder: \"" + folder + L"\".");
    EXPECT_EQ(lines[3], L"Creating a Shortcut in the Start Menu (Folder \"" + menu + L"\").");
    EXPECT_EQ(lines[4], L"Creating a Shortcut on the Desktop.");
    EXPECT_EQ(lines[5], std::wstring(64, L'-'));
    EXPECT_EQ(lines[6], L"Preparing Installation...OK");
    EXPECT_TRUE(contains(lines, L"Copying File  \"" + folder + L"\\Vantrel.exe\"...OK"));
    EXPECT_TRUE(contains(lines, L"Copying File  \"" + folder + L"\\Uninstall.exe\"...OK"));
    const std::vector<std::wstring> tail(lines.end() - 4, lines.end());
    EXPECT_EQ(tail, (std::vector<std::wstring>{L"Shortcuts Creation...OK", L"Mise \u00e0 jour de DirectX...OK",
                                                L"Registry Data Writing...OK", L"Installation Data Writing...OK"}));
    // A fresh installation copies every one of the payload's 54 entries.
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::wstring& line) { return line.rfind(L"Copying File  ", 0) == 0; }),
              54);

    // On the machine: the files with their rights, the key, the links, the uninstall log.
    EXPECT_TRUE(::GetFileAttributesW((folder + L"\\Vantrel.exe").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(::GetFileAttributesW((folder + L"\\Uninstall.exe").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(::PathFileExistsW((folder + L"\\Lang\\Vantrel.en.dll").c_str()));
    EXPECT_EQ(registry_text(L"UninstallString"), L"\"" + folder + L"\\Uninstall.exe\"");
    EXPECT_EQ(registry_text(L"DisplayIcon"), folder + L"\\Vantrel.exe,0");
    EXPECT_EQ(registry_text(L"DisplayName"), L"Vantrel 7.05a");
    EXPECT_EQ(registry_number(L"TalLanguage"), 1u);
    EXPECT_EQ(test::read_link(menu + L"\\Vantrel 7.05a.lnk"), std::make_pair(folder + L"\\Vantrel.exe", folder));
    EXPECT_EQ(test::read_link(menu + L"\\Uninstall Vantrel.lnk"), std::make_pair(folder + L"\\Uninstall.exe", folder));
    EXPECT_EQ(test::read_link(desktop_link), std::make_pair(folder + L"\\Vantrel.exe", folder));
    const std::string log = test::read_bytes(folder + L"\\Uninstall.ulog");
    EXPECT_NE(log.find(test::utf16_file(L"// Install Path : " + folder + L"\r\n").substr(2)), std::string::npos);
    EXPECT_NE(log.find(test::utf16_file(L":00ff:1 -- " + tests_root + L"\r\n").substr(2)), std::string::npos);
    EXPECT_FALSE(temporary_folder_left());

    // The stand-in uninstaller, started as the system starts the key's command, takes
    // everything away again: the folders the run made, the links, the key, the document type.
    DWORD code = 1;
    ASSERT_TRUE(test::run_command_line(registry_text(L"UninstallString") + L" /S", 20000, code));
    EXPECT_EQ(code, 0u);
    const std::vector<std::wstring> removed = {tests_root, shell_folder(CSIDL_COMMON_PROGRAMS) + L"\\Marrowin",
                                    shell_folder(CSIDL_COMMON_APPDATA) + L"\\Marrowin",
                                    shell_folder(CSIDL_APPDATA) + L"\\Marrowin", desktop_link};
    test::wait_until_gone(removed);
    for (const std::wstring& gone : removed)
        EXPECT_FALSE(::PathFileExistsW(gone.c_str())) << test::narrow(gone);
    EXPECT_TRUE(test::product_key_values().empty());
    HKEY raw = nullptr;
    EXPECT_NE(::RegOpenKeyExW(HKEY_CLASSES_ROOT, L".vantrel", 0, KEY_READ, &raw), ERROR_SUCCESS);
}

TEST_F(SilentInstallation, LeavesWhatTheWizardsQuickInstallationLeaves)
{
    // The wizard's quick installation first, as a user makes it.
    std::vector<std::wstring> page_lines;
    {
        test::wizard w;
        page_lines = without_run_folders(without_rules(lines_of(test::install_quickly(w))));
        w.press_frame(IDCANCEL);
        DWORD code = 0xFFFFFFFF;
        ASSERT_TRUE(w.ended(10000, code));
        EXPECT_EQ(code, static_cast<DWORD>(EXIT_INSTALLED));
    }
    const auto wizard_machine = machine_snapshot();
    const auto wizard_key = test::product_key_values();
    ASSERT_FALSE(wizard_key.empty());
    TearDown();
    ASSERT_TRUE(test::product_key_values().empty());

    const silent_run run = run_installer(L"/S /LOG=\"" + log_file + L"\"");
    EXPECT_EQ(run.code, static_cast<DWORD>(EXIT_INSTALLED));
    EXPECT_TRUE(run.windows.empty()) << windows_text(run);
    // The same files with the same bytes and attributes, the same uninstall log, links, key.
    EXPECT_EQ(differences(machine_snapshot(), wizard_machine), std::vector<std::string>{});
    EXPECT_EQ(test::product_key_values(), wizard_key);
    EXPECT_EQ(test::read_link(menu + L"\\Vantrel 7.05a.lnk"),
              std::make_pair(test::shell_folder(CSIDL_PROGRAM_FILES) + L"\\Marrowin\\Vantrel 7\\Vantrel.exe",
                             test::shell_folder(CSIDL_PROGRAM_FILES) + L"\\Marrowin\\Vantrel 7"));
    // The log has the page's lines, in their order.
    EXPECT_EQ(without_run_folders(without_rules(lines_of(read_log(log_file)))), page_lines);
}

struct shortcut_case {
    const wchar_t* switches;
    bool menu_links;
    bool desktop_link;
};

TEST_F(SilentInstallation, ShortcutSwitches)
{
    const shortcut_case cases[] = {
        {L"/S", true, true},
        {L"/S /NOSHORTCUTS", false, true},
        {L"/s /nodesktop", true, false},
        {L"/NoDesktop /NoShortcuts /S", false, false},
    };
    for (const shortcut_case& c : cases) {
        SCOPED_TRACE(test::narrow(c.switches));
        const silent_run run = run_installer(std::wstring(c.switches) + L" /LOG=\"" + log_file + L"\" /D=" +
                                             tests_root + L"\\Links");
        EXPECT_EQ(run.code, static_cast<DWORD>(EXIT_INSTALLED));
        EXPECT_TRUE(run.windows.empty()) << windows_text(run);
        EXPECT_EQ(::PathFileExistsW((menu + L"\\Vantrel 7.05a.lnk").c_str()) != FALSE, c.menu_links);
        EXPECT_EQ(::PathFileExistsW((menu + L"\\Uninstall Vantrel.lnk").c_str()) != FALSE, c.menu_links);
        EXPECT_EQ(::PathFileExistsW(desktop_link.c_str()) != FALSE, c.desktop_link);
        const std::vector<std::wstring> lines = lines_of(read_log(log_file));
        EXPECT_EQ(contains(lines, L"Creating a Shortcut in the Start Menu (Folder \"" + menu + L"\")."), c.menu_links);
        EXPECT_EQ(contains(lines, L"Creating a Shortcut on the Desktop."), c.desktop_link);
        // Without any shortcut the step writes nothing, not even its heading.
        EXPECT_EQ(contains(lines, L"Shortcuts Creation...OK"), c.menu_links || c.desktop_link);
        EXPECT_TRUE(contains(lines, L"Installation Data Writing...OK"));
        TearDown();
    }
}

TEST_F(SilentInstallation, UpdateKeepsThePreviousFolder)
{
    const std::wstring first = tests_root + L"\\First Folder";
    ASSERT_EQ(run_installer(L"/S /D=" + first).code, static_cast<DWORD>(EXIT_INSTALLED));
    // The installed program becomes the older 7.04.
    const std::wstring program = first + L"\\Vantrel.exe";
    const std::string new_program = test::read_bytes(program);
    ::SetFileAttributesW(program.c_str(), FILE_ATTRIBUTE_NORMAL);
    const std::wstring older = test::test_folder() + L"..\\..\\sample\\" + OLDER_PROGRAM;
    ASSERT_TRUE(::CopyFileW(older.c_str(), program.c_str(), FALSE));
    ASSERT_NE(test::read_bytes(program), new_program);

    const std::wstring second = tests_root + L"\\Second Folder";
    const silent_run run = run_installer(L"/S /LOG=\"" + log_file + L"\" /D=" + second);
    EXPECT_EQ(run.code, static_cast<DWORD>(EXIT_INSTALLED));
    EXPECT_TRUE(run.windows.empty()) << windows_text(run);
    EXPECT_FALSE(::PathFileExistsW(second.c_str()));
    EXPECT_EQ(test::read_bytes(program), new_program);
    EXPECT_EQ(registry_text(L"UninstallString"), L"\"" + first + L"\\Uninstall.exe\"");
    const std::vector<std::wstring> lines = lines_of(read_log(log_file));
    EXPECT_TRUE(contains(lines, L"Installation Folder: \"" + first + L"\".")) << test::narrow(read_log(log_file));
    // An update leaves the shared textures as they are.
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::wstring& line) { return line.find(L"Wood.jpg") != std::wstring::npos; }),
              0);
    const std::string log = test::read_bytes(first + L"\\Uninstall.ulog");
    EXPECT_NE(log.find(test::utf16_file(L"// Install Vantrel 7.05a -- Update (").substr(2)), std::string::npos);
}

TEST_F(SilentInstallation, SameVersionAgainIsReinstalledInItsFolder)
{
    const std::wstring folder = tests_root + L"\\Again";
    ASSERT_EQ(run_installer(L"/S /D=" + folder).code, static_cast<DWORD>(EXIT_INSTALLED));
    const silent_run run = run_installer(L"/S /LOG=\"" + log_file + L"\" /D=" + tests_root + L"\\Elsewhere");
    EXPECT_EQ(run.code, static_cast<DWORD>(EXIT_INSTALLED));
    EXPECT_FALSE(::PathFileExistsW((tests_root + L"\\Elsewhere").c_str()));
    const std::vector<std::wstring> lines = lines_of(read_log(log_file));
    EXPECT_TRUE(contains(lines, L"Installation Folder: \"" + folder + L"\"."));
    EXPECT_TRUE(contains(lines, L"Installation Data Writing...OK"));
}

TEST_F(SilentInstallation, NewerVersionInstalledIsRefusedAndNothingWritten)
{
    const test::installed_product newer(L"program_8_0_0_0.dll");
    const auto before = machine_snapshot();
    const silent_run run = run_installer(L"/S /LOG=\"" + log_file + L"\"");
    EXPECT_EQ(run.code, static_cast<DWORD>(EXIT_NEWER_VERSION));
    EXPECT_TRUE(run.windows.empty()) << windows_text(run);
    EXPECT_EQ(read_log(log_file),
              L"'Vantrel 7.05a' Installation.\r\nA more recent Version (Vantrel 8.0) is already installed.\r\n");
    EXPECT_EQ(differences(machine_snapshot(), before), std::vector<std::string>{});
    EXPECT_EQ(registry_text(L"DisplayName"), L"<none>");
}

TEST_F(SilentInstallation, DamagedPayloadWritesNothing)
{
    const auto before = machine_snapshot();
    const silent_run run =
        run_installer(L"/S /LOG=\"" + log_file + L"\"", test::test_folder() + L"InstallVantrel-damaged.exe");
    EXPECT_EQ(run.code, static_cast<DWORD>(EXIT_DAMAGED_PAYLOAD));
    EXPECT_TRUE(run.windows.empty()) << windows_text(run);
    const std::vector<std::wstring> lines = lines_of(read_log(log_file));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], L"Preparing Installation...Failed");
    EXPECT_EQ(lines.back(), L"Installation failed (Error Code 4).");
    EXPECT_EQ(differences(machine_snapshot(), before), std::vector<std::string>{});
    EXPECT_EQ(registry_text(L"DisplayName"), L"<none>");
    EXPECT_FALSE(temporary_folder_left());
}

TEST_F(SilentInstallation, ExtractionFailureIsUndone)
{
    // A file of the product is held open by another program: the copy fails there.
    const std::wstring folder = tests_root + L"\\Held";
    ::CreateDirectoryW(tests_root.c_str(), nullptr);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring held = folder + L"\\Vantrel.exe";
    test::write_text(held, "a program in use");
    const auto before = machine_snapshot();
    {
        const test::helper_process holder(L"hold_file.exe", L"\"" + held + L"\" 60000");
        const silent_run run = run_installer(L"/S /LOG=\"" + log_file + L"\" /D=" + folder);
        EXPECT_EQ(run.code, static_cast<DWORD>(EXIT_INSTALLATION_FAILED));
        EXPECT_TRUE(run.windows.empty()) << windows_text(run);
    }
    const std::vector<std::wstring> lines = lines_of(read_log(log_file));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], L"Copying File  \"" + held + L"\"...Failed");
    EXPECT_EQ(lines.back(), L"Installation failed (Error Code 1:00000020).");
    EXPECT_EQ(differences(machine_snapshot(), before), std::vector<std::string>{});
    EXPECT_EQ(registry_text(L"DisplayName"), L"<none>");
}

TEST_F(SilentInstallation, AStepAfterTheCopyFailsAndTheProductStaysInstalled)
{
    // A file where the Start-menu folder goes: the shortcuts cannot be made, the rest can.
    const std::wstring programs = shell_folder(CSIDL_COMMON_PROGRAMS) + L"\\Marrowin";
    ASSERT_TRUE(::CreateDirectoryW(programs.c_str(), nullptr));
    test::write_text(menu, "not a folder");
    const std::wstring folder = tests_root + L"\\Steps";
    const silent_run run = run_installer(L"/S /LOG=\"" + log_file + L"\" /D=" + folder);
    EXPECT_EQ(run.code, static_cast<DWORD>(EXIT_STEP_FAILED));
    EXPECT_TRUE(run.windows.empty()) << windows_text(run);
    const std::vector<std::wstring> lines = lines_of(read_log(log_file));
    EXPECT_TRUE(contains(lines, L"Shortcuts Creation...Failed")) << test::narrow(read_log(log_file));
    EXPECT_TRUE(contains(lines, L"Registry Data Writing...OK"));
    EXPECT_EQ(lines.back(), L"Installation Data Writing...OK");
    EXPECT_TRUE(::PathFileExistsW((folder + L"\\Vantrel.exe").c_str()));
    EXPECT_EQ(registry_text(L"DisplayName"), L"Vantrel 7.05a");
}

TEST_F(SilentInstallation, RefusedFolders)
{
    const std::wstring too_long = tests_root + L"\\" + std::wstring(230, L'x');
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"Relative Folder\\Vantrel",
         L"Please enter the full path of a folder, such as C:\\Programs\\Vantrel or \\\\server\\share\\Vantrel."},
        {L"C:\\", L"Please enter the full path of a folder, such as C:\\Programs\\Vantrel or \\\\server\\share\\Vantrel."},
        {too_long, L"The installation folder is too long for the files installed in it."},
    };
    const auto before = machine_snapshot();
    for (const auto& [folder, reason] : cases) {
        SCOPED_TRACE(test::narrow(folder));
        const silent_run run = run_installer(L"/S /LOG=\"" + log_file + L"\" /D=" + folder);
        EXPECT_EQ(run.code, static_cast<DWORD>(EXIT_FOLDER_REFUSED));
        EXPECT_TRUE(run.windows.empty()) << windows_text(run);
        const std::vector<std::wstring> lines = lines_of(read_log(log_file));
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0], L"Installation Folder: " + (folder.find(L' ') == std::wstring::npos ? folder
                                                                                                : L"\"" + folder + L"\"") +
                                L".");
        EXPECT_EQ(lines[1].rfind(reason, 0), 0u) << test::narrow(lines[1]);
        EXPECT_EQ(differences(machine_snapshot(), before), std::vector<std::string>{});
    }
}

TEST_F(SilentInstallation, AnotherInstallerRunning)
{
    const test::helper_process other(L"hold_lock.exe", tal::installer_lock_name);
    const silent_run run = run_installer(L"/S /LOG=\"" + log_file + L"\"");
    EXPECT_EQ(run.code, static_cast<DWORD>(EXIT_ANOTHER_INSTALLER));
    EXPECT_TRUE(run.windows.empty()) << windows_text(run);
    EXPECT_EQ(read_log(log_file), test::system_text(ERROR_BUSY) + L"\r\n");
    EXPECT_FALSE(::PathFileExistsW((shell_folder(CSIDL_PROGRAM_FILES) + L"\\Marrowin").c_str()));
}

TEST_F(SilentInstallation, ProductRunningIsNotWaitedFor)
{
    // A registered process under the product's program name: the installer tells a running
    // product from a stale count by the processes' images.
    const test::helper_process product(L"product\\Vantrel.exe", L"");
    const silent_run run = run_installer(L"/S /LOG=\"" + log_file + L"\"");
    EXPECT_EQ(run.code, static_cast<DWORD>(EXIT_PRODUCT_RUNNING));
    EXPECT_TRUE(run.windows.empty()) << windows_text(run);
    EXPECT_EQ(read_log(log_file), L"You should close 'Vantrel' before continuing Installation.\r\n");
    EXPECT_FALSE(::PathFileExistsW((shell_folder(CSIDL_PROGRAM_FILES) + L"\\Marrowin").c_str()));
}

TEST_F(SilentInstallation, InstalledVersionThatCannotBeReadIsRefused)
{
    // The key names a program that is gone: the installed version cannot be told.
    const std::wstring gone = L"C:\\nowhere\\Vantrel.exe";
    HKEY raw = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, product_key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw,
                                nullptr),
              ERROR_SUCCESS);
    const tal::unique_hkey key(raw);
    const std::wstring icon = gone + L",0";
    ::RegSetValueExW(key.get(), L"DisplayIcon", 0, REG_SZ, reinterpret_cast<const BYTE*>(icon.c_str()),
                     static_cast<DWORD>((icon.size() + 1) * sizeof(wchar_t)));
    const auto before = machine_snapshot();
    const silent_run run = run_installer(L"/S /LOG=\"" + log_file + L"\"");
    EXPECT_EQ(run.code, static_cast<DWORD>(EXIT_VERSION_UNREADABLE));
    EXPECT_TRUE(run.windows.empty()) << windows_text(run);
    EXPECT_EQ(read_log(log_file), gone + L"\r\n\r\n" + test::system_text(ERROR_FILE_NOT_FOUND) + L"\r\n");
    EXPECT_EQ(differences(machine_snapshot(), before), std::vector<std::string>{});
    EXPECT_EQ(registry_text(L"DisplayName"), L"<none>");
}

TEST_F(SilentInstallation, LanguageSwitch)
{
    const silent_run run = run_installer(L"/S /LANG=de /NOSHORTCUTS /NODESKTOP /LOG=\"" + log_file + L"\" /D=" +
                                         tests_root + L"\\Deutsch");
    EXPECT_EQ(run.code, static_cast<DWORD>(EXIT_INSTALLED));
    EXPECT_EQ(registry_number(L"TalLanguage"), 2u);
    const std::vector<std::wstring> lines = lines_of(read_log(log_file));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], L"Installation von 'Vantrel 7.05a'.") << test::narrow(lines[0]);
    TearDown();

    // Dutch has no installer texts: the product language is Dutch, the log English.
    const silent_run dutch = run_installer(L"/S /LANG=NL /NOSHORTCUTS /NODESKTOP /LOG=\"" + log_file + L"\" /D=" +
                                           tests_root + L"\\Nederlands");
    EXPECT_EQ(dutch.code, static_cast<DWORD>(EXIT_INSTALLED));
    EXPECT_TRUE(dutch.windows.empty()) << windows_text(dutch);
    EXPECT_EQ(registry_number(L"TalLanguage"), 5u);
    EXPECT_EQ(lines_of(read_log(log_file)).front(), L"'Vantrel 7.05a' Installation.");
}

TEST_F(SilentInstallation, LogFileThatCannotBeWrittenStopsBeforeAnything)
{
    const silent_run run = run_installer(L"/S /LOG=C:\\no\\such\\folder\\silent.log");
    EXPECT_EQ(run.code, static_cast<DWORD>(EXIT_LOG_FILE));
    EXPECT_TRUE(run.windows.empty()) << windows_text(run);
    EXPECT_FALSE(::PathFileExistsW((shell_folder(CSIDL_PROGRAM_FILES) + L"\\Marrowin").c_str()));
}

TEST(SilentCommandLine, UnknownSwitchEndsWithItsCodeAndABoxOnlyWithAWindow)
{
    test::scratch_folder logs;
    const std::wstring log_file = logs / L"bad.log";
    const silent_run silent = run_installer(L"/S /LOG=\"" + log_file + L"\" /QUIET");
    EXPECT_EQ(silent.code, static_cast<DWORD>(EXIT_COMMAND_LINE));
    EXPECT_TRUE(silent.windows.empty()) << windows_text(silent);
    const std::wstring message = L"The installer does not know the switch /QUIET.\r\n\r\n"
                                 L"Switches: /S /NOSHORTCUTS /NODESKTOP /LANG=xx /LOG=FILE /D=FOLDER";
    EXPECT_EQ(read_log(log_file), message + L"\r\n");

    // Without /S the wizard's user is told in a box.
    test::program installer(test::installer_path(), L"/LANG=xx");
    const HWND box = test::wait_for_message_box(installer.id(), 20000);
    ASSERT_TRUE(box);
    // The watch that finds no window under /S finds this one.
    std::vector<std::wstring> seen;
    window_watch watch{installer.id(), &seen};
    ::EnumWindows(note_window, reinterpret_cast<LPARAM>(&watch));
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_EQ(test::message_box_text(box), L"The installer does not know the switch /LANG=xx.\r\n\r\n"
                                           L"Switches: /S /NOSHORTCUTS /NODESKTOP /LANG=xx /LOG=FILE /D=FOLDER");
    test::press(box, IDOK);
    DWORD code = 0;
    ASSERT_TRUE(installer.wait(20000, code));
    EXPECT_EQ(code, static_cast<DWORD>(EXIT_COMMAND_LINE));
}

TEST(SilentCommandLine, WithoutSilentTheWizardSpeaksTheNamedLanguageAndTellsItWasClosed)
{
    test::wizard w(test::installer_path(), L"/lang=DE");
    EXPECT_EQ(test::window_text(::GetDlgItem(w.page_with(IDC_LANGUAGE_LABEL), IDC_LANGUAGE_LABEL)),
              L"W\u00e4hlen Sie die Installationssprache");
    ASSERT_TRUE(w.leave());
    DWORD code = 0xFFFFFFFF;
    ASSERT_TRUE(w.ended(0, code));
    EXPECT_EQ(code, static_cast<DWORD>(EXIT_WIZARD_CLOSED));
}

TEST(SilentCommandLine, ExitCodeReachesStartWait)
{
    // An administrator's script: start /wait hands the installer's exit code on.
    const std::wstring command = L"cmd.exe /c start \"\" /wait \"" + test::installer_path() + L"\" /S /QUIET";
    DWORD code = 0;
    ASSERT_TRUE(test::run_command_line(command, 60000, code));
    EXPECT_EQ(code, static_cast<DWORD>(EXIT_COMMAND_LINE));
}

} // namespace
