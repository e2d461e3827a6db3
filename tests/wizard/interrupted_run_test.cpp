// Installers killed from outside half-way through a run, as Task Manager or a crash ends them,
// and the next start, which undoes the run: the machine is as it was before it, and then an
// installation and the product's uninstaller leave nothing behind.
#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "app/exit_codes.h"
#include "command_line.h"
#include "helper_process.h"
#include "holders/handles.h"
#include "installation_fixture.h"
#include "state_fixture.h"
#include "wizard_driver.h"

namespace {

using test::product_key;
using test::shell_folder;

const std::wstring runs_key = L"Software\\Marrowin\\Vantrel 7\\Installer Runs";
// While this event exists, the slow installer's product does not end its registration.
const wchar_t* const held_event = L"VantrelTest.RegistrationHeld";
constexpr std::uint64_t large_size = 32u << 20;
const std::wstring undone_text =
    L"An installation of 'Vantrel' that was interrupted before its end has been undone: the computer is as it was before.";
const std::wstring not_undone_start =
    L"An installation of 'Vantrel' that was interrupted before its end could not be undone:\r\n";

std::wstring slow_installer()
{
    return test::test_folder() + L"InstallVantrel-slow.exe";
}

using item_map = std::map<std::wstring, std::pair<DWORD, std::string>>;

// Every key below `root\path` by its label, and every value by its key's label and its name.
void add_key_tree(HKEY root, const std::wstring& path, const std::wstring& label, item_map& items)
{
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS)
        return;
    const tal::unique_hkey key(raw);
    items[label] = {REG_NONE, "<key>"};
    for (DWORD index = 0;; ++index) {
        std::wstring name(16384, L'\0');
        DWORD name_size = 16384, type = 0, size = 0;
        if (::RegEnumValueW(key.get(), index, name.data(), &name_size, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            break;
        std::string data(size, '\0');
        name_size = 16384;
        ::RegEnumValueW(key.get(), index, name.data(), &name_size, nullptr, &type,
                        reinterpret_cast<BYTE*>(data.data()), &size);
        name.resize(name_size);
        items[label + L"::" + name] = {type, data};
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[256] = {};
        DWORD size = 256;
        if (::RegEnumKeyExW(key.get(), index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        add_key_tree(root, path + L"\\" + name, label + L"\\" + name, items);
    }
}

bool key_exists(HKEY root, const std::wstring& path)
{
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(raw);
    return true;
}

bool exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> product_folders()
{
    std::vector<std::wstring> folders;
    for (const int csidl : {CSIDL_PROGRAM_FILES, CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_APPDATA, CSIDL_APPDATA})
        folders.push_back(shell_folder(csidl) + L"\\Marrowin");
    return folders;
}

std::wstring desktop_link()
{
    return shell_folder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Vantrel 7.05a.lnk";
}

std::wstring windows_temp()
{
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\Temp";
}

// The folders that runs made in the Windows folder's Temp, by name.
std::vector<std::wstring> run_folders()
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((windows_temp() + L"\\marrowin_{*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(found.cFileName);
    while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

// What an installation and its runs touch: the product's folders with every file's attributes
// and bytes, the desktop link, the run folders, the product's keys.
item_map machine_snapshot()
{
    item_map all;
    for (const std::wstring& folder : product_folders()) {
        all[folder] = {::GetFileAttributesW(folder.c_str()), ""};
        for (const auto& [path, item] : test::snapshot(folder))
            all[folder + L"\\" + path] = item;
    }
    all[desktop_link()] = {::GetFileAttributesW(desktop_link().c_str()), test::read_bytes(desktop_link())};
    for (const std::wstring& name : run_folders())
        all[windows_temp() + L"\\" + name] = {0, ""};
    // The archive test's copy of the decoded payload goes with the process that made it.
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    WIN32_FIND_DATAW copy{};
    if (const tal::unique_hfind search(::FindFirstFileW((std::wstring(temp) + L"Vantrel-*.tmp").c_str(), &copy)); search) {
        do
            all[std::wstring(temp) + copy.cFileName] = {0, ""};
        while (::FindNextFileW(search.get(), &copy));
    }
    add_key_tree(HKEY_LOCAL_MACHINE, product_key, L"HKLM\\" + product_key, all);
    add_key_tree(HKEY_LOCAL_MACHINE, L"Software\\Marrowin", L"HKLM\\Software\\Marrowin", all);
    add_key_tree(HKEY_CLASSES_ROOT, L".vantrel", L"HKCR\\.vantrel", all);
    add_key_tree(HKEY_CLASSES_ROOT, L"Vantrel.Document", L"HKCR\\Vantrel.Document", all);
    return all;
}

// The items that differ between two snapshots, one a line; empty when they are equal.
std::string differences(const item_map& before, const item_map& after)
{
    std::string text;
    for (const auto& [path, item] : before) {
        const auto found = after.find(path);
        if (found == after.end())
            text += "gone: " + test::narrow(path) + "\n";
        else if (found->second != item)
            text += "changed: " + test::narrow(path) + "\n";
    }
    for (const auto& [path, item] : after) {
        if (!before.count(path))
            text += "new: " + test::narrow(path) + "\n";
    }
    return text;
}

// The folder of the run that an installer recorded as working; empty when none is.
std::wstring recorded_run_folder()
{
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, runs_key.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
        return {};
    const tal::unique_hkey key(raw);
    std::wstring name(16384, L'\0');
    DWORD size = 16384;
    if (::RegEnumValueW(key.get(), 0, name.data(), &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return {};
    name.resize(size);
    return name;
}

struct journal_record {
    wchar_t tag;
    std::vector<std::wstring> fields;
};

// The complete lines of a run's journal, read while the installer still writes it.
std::vector<journal_record> read_journal(const std::wstring& folder)
{
    std::vector<journal_record> records;
    const tal::unique_hfile file(::CreateFileW((folder + L"\\run.journal").c_str(), GENERIC_READ,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
    if (!file)
        return records;
    std::string bytes;
    char buffer[16384];
    DWORD got = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    std::size_t start = 0;
    for (std::size_t end = bytes.find('\n'); end != std::string::npos; end = bytes.find('\n', start)) {
        const std::string line = bytes.substr(start, end - start);
        start = end + 1;
        std::wstring wide(line.size(), L'\0');
        wide.resize(static_cast<std::size_t>(::MultiByteToWideChar(
            CP_UTF8, 0, line.data(), static_cast<int>(line.size()), wide.data(), static_cast<int>(wide.size()))));
        if (wide.empty())
            continue;
        journal_record record{wide[0], {}};
        for (std::size_t at = wide.find(L'\t'); at != std::wstring::npos;) {
            const std::size_t next = wide.find(L'\t', at + 1);
            record.fields.push_back(wide.substr(at + 1, next == std::wstring::npos ? std::wstring::npos : next - at - 1));
            at = next;
        }
        records.push_back(std::move(record));
    }
    return records;
}

std::string journal_text(const std::vector<journal_record>& records)
{
    std::string text;
    for (const journal_record& record : records) {
        text += static_cast<char>(record.tag);
        for (const std::wstring& field : record.fields)
            text += " | " + test::narrow(field);
        text += "\n";
    }
    return text;
}

bool has_record(const std::vector<journal_record>& records, wchar_t tag)
{
    return std::any_of(records.begin(), records.end(), [tag](const journal_record& r) { return r.tag == tag; });
}

// Every thread of process `pid` held still (or let go again), so that what the test sees of
// the run stays as it is until the kill.
void set_suspended(DWORD pid, bool suspended)
{
    const tal::unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID != pid)
            continue;
        const tal::unique_handle thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
        if (thread)
            suspended ? ::SuspendThread(thread.get()) : ::ResumeThread(thread.get());
    }
}

// A process that `parent` started from an image named `image`; 0 when there is none.
DWORD child_of(DWORD parent, const wchar_t* image)
{
    const tal::unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID == parent && ::lstrcmpiW(entry.szExeFile, image) == 0)
            return entry.th32ProcessID;
    }
    return 0;
}

// Ends a process at once, as Task Manager does, and waits until it is gone.
void kill(DWORD pid)
{
    const tal::unique_handle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    ASSERT_TRUE(process);
    ::TerminateProcess(process.get(), 1);
    ASSERT_EQ(::WaitForSingleObject(process.get(), 20000), WAIT_OBJECT_0);
}

enum class kill_moment {
    large_file_half_written, // the extraction writes a file of the installation folder
    registration_running,    // the Uninstall key is written, the product registers, no log yet
};

struct kill_point {
    const char* name;
    bool update; // over an installation of the older version, whose files the run moves away
    kill_moment moment;
};

const kill_point kill_points[] = {
    {"FreshWhileAFileIsHalfWritten", false, kill_moment::large_file_half_written},
    {"UpdateAfterFilesWereMovedToBackups", true, kill_moment::large_file_half_written},
    {"FreshAfterTheUninstallKeyBeforeTheLog", false, kill_moment::registration_running},
    {"UpdateAfterTheUninstallKeyBeforeTheLog", true, kill_moment::registration_running},
};

void PrintTo(const kill_point& point, std::ostream* out)
{
    *out << point.name;
}

class KilledInstaller : public test::Installation {
protected:
    void TearDown() override
    {
        if (held_product != 0) {
            if (const tal::unique_handle p(::OpenProcess(PROCESS_TERMINATE, FALSE, held_product)); p)
                ::TerminateProcess(p.get(), 1);
        }
        for (const std::wstring& name : run_folders())
            test::remove_tree(windows_temp() + L"\\" + name);
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Marrowin");
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Marrowin");
        test::Installation::TearDown();
    }

    // An installation of the default installer, then made one of the older version 7.04.
    void InstallOlderVersion()
    {
        {
            test::wizard first;
            const std::wstring log = test::install_quickly(first);
            ASSERT_NE(log.find(L"Installation Data Writing...OK"), std::wstring::npos) << test::narrow(log);
            first.press_frame(IDCANCEL);
            ASSERT_TRUE(first.ended(10000));
        }
        const std::wstring program = install_folder + L"\\Vantrel.exe";
        const std::wstring older = test::test_folder() + L"..\\..\\sample\\"
                                   + std::wstring(OLDER_PROGRAM, OLDER_PROGRAM + strlen(OLDER_PROGRAM));
        ::SetFileAttributesW(program.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(::CopyFileW(older.c_str(), program.c_str(), FALSE));
        ::SetFileAttributesW(program.c_str(), FILE_ATTRIBUTE_READONLY);
    }

    // Whether the run is where `point` kills it: the large file begun and not yet complete
    // (after a file of the older installation was moved to its backup, in an update), or the
    // product registering while the key is written and the log is not.
    bool Reached(const kill_point& point, const std::vector<journal_record>& records, DWORD installer)
    {
        if (point.moment == kill_moment::registration_running) {
            held_product = child_of(installer, L"Vantrel.exe");
            return held_product != 0;
        }
        const journal_record* last_entry = nullptr;
        bool moved = false;
        for (const journal_record& record : records) {
            if (record.tag == L'E' && record.fields.size() == 4)
                last_entry = &record;
            if (record.tag == L'B' && record.fields.size() == 3 && record.fields[0] == L"0" && exists(record.fields[2]))
                moved = true;
        }
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!last_entry || ::lstrcmpiW(last_entry->fields[3].c_str(), large_file.c_str()) != 0
            || !::GetFileAttributesExW(large_file.c_str(), GetFileExInfoStandard, &data))
            return false;
        const std::uint64_t size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
        return size > 0 && size < large_size && (moved || !point.update);
    }

    // Whether the large file is seen half-written within a fifth of a second, all spent looking
    // at it, for `point`s that wait for that; for other points two milliseconds just go by.
    bool WatchedHalfWritten(const kill_point& point) const
    {
        if (point.moment != kill_moment::large_file_half_written) {
            ::Sleep(2);
            return false;
        }
        const ULONGLONG until = ::GetTickCount64() + 200;
        do {
            WIN32_FILE_ATTRIBUTE_DATA data{};
            if (::GetFileAttributesExW(large_file.c_str(), GetFileExInfoStandard, &data)) {
                const std::uint64_t size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
                if (size > 0 && size < large_size)
                    return true;
            }
        } while (::GetTickCount64() < until);
        return false;
    }

    // Starts the slow installer, installs, and kills it at `point`; the run's folder is kept.
    void KillRunAt(const kill_point& point)
    {
        tal::unique_handle held;
        if (point.moment == kill_moment::registration_running)
            held.reset(::CreateEventW(nullptr, TRUE, FALSE, held_event));
        test::wizard w(slow_installer());
        w.next();
        w.next();
        ASSERT_TRUE(w.wait_page(PAGE_INSTALL));
        w.next(); // Install
        bool reached = false;
        std::vector<journal_record> seen;
        for (int i = 0; i < 30000 && !reached && !w.ended(0); ++i) {
            if (run_folder.empty())
                run_folder = recorded_run_folder();
            if (const auto records = read_journal(run_folder); records.size() > seen.size())
                seen = records;
            // A file is written faster than the journal is read between two looks: meanwhile
            // the large file's size is watched, and the run held as soon as it is half-written.
            if (!run_folder.empty() && (Reached(point, seen, w.pid()) || WatchedHalfWritten(point))) {
                // Seen; held still, it is seen once more so that nothing moved in between.
                set_suspended(w.pid(), true);
                reached = Reached(point, read_journal(run_folder), w.pid());
                if (!reached)
                    set_suspended(w.pid(), false);
            }
        }
        ASSERT_TRUE(reached) << "the run never came to the point " << point.name << "; its journal:\n"
                             << journal_text(seen);
        const std::vector<journal_record> records = read_journal(run_folder);
        EXPECT_FALSE(has_record(records, L'C'));
        if (point.moment == kill_moment::registration_running) {
            EXPECT_TRUE(has_record(records, L'K'));
            EXPECT_FALSE(has_record(records, L'L'));
            EXPECT_EQ(test::registry_text(L"DisplayName"), L"Vantrel 7.05a");
        }
        kill(w.pid());
        // The product goes after the installer, which would otherwise go on to write the log.
        if (held_product != 0)
            kill(held_product);
        held_product = 0;
    }

    // The next start of the installer: it says that the run was undone, then shows its wizard.
    void StartAndSeeTheRunUndone()
    {
        test::program next(test::installer_path());
        const HWND box = test::wait_for_message_box(next.id(), 30000);
        ASSERT_TRUE(box);
        EXPECT_EQ(test::message_box_text(box), undone_text);
        test::press(box, IDOK);
        const HWND frame = test::wait_for_dialog(next.id(), IDC_SIDE_BACKGROUND, 20000);
        ASSERT_TRUE(frame);
        test::settle();
        test::press(frame, IDCANCEL);
        const HWND confirm = test::wait_for_message_box(next.id(), 20000);
        ASSERT_TRUE(confirm);
        test::press(confirm, IDYES);
        DWORD code = 1;
        ASSERT_TRUE(next.wait(20000, code));
    }

    // The uninstaller's private copy goes on after the uninstaller itself has ended: waits
    // until the product's folders and link are gone, looking without opening them (an open
    // folder could not be removed), and returns them.
    static std::vector<std::wstring> WaitForTheUninstallersCopy()
    {
        std::vector<std::wstring> removed = product_folders();
        removed.push_back(desktop_link());
        test::wait_until_gone(removed);
        return removed;
    }

    // A whole installation, then the product's uninstaller: nothing of the product stays.
    void InstallAndUninstallLeaveNothing()
    {
        {
            test::wizard w;
            const std::wstring log = test::install_quickly(w);
            EXPECT_NE(log.find(L"Installation Data Writing...OK"), std::wstring::npos) << test::narrow(log);
            w.press_frame(IDCANCEL);
            ASSERT_TRUE(w.ended(10000));
        }
        DWORD code = 1;
        ASSERT_TRUE(test::run_command_line(test::registry_text(L"UninstallString") + L" /S", 20000, code));
        EXPECT_EQ(code, 0u);
        for (const std::wstring& path : WaitForTheUninstallersCopy())
            EXPECT_FALSE(exists(path)) << test::narrow(path);
        EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, product_key));
        EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, L"Software\\Marrowin"));
        EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, L".vantrel"));
        EXPECT_TRUE(run_folders().empty());
    }

    const std::wstring large_file = install_folder + L"\\Scenes\\Scenes.vlib";
    std::wstring run_folder;
    DWORD held_product = 0;
};

class KilledRun : public KilledInstaller, public ::testing::WithParamInterface<kill_point> {};

TEST_P(KilledRun, NextStartUndoesItThenInstallAndUninstallLeaveNothing)
{
    const kill_point& point = GetParam();
    if (point.update) {
        ASSERT_NO_FATAL_FAILURE(InstallOlderVersion());
    }
    const item_map before = machine_snapshot();

    ASSERT_NO_FATAL_FAILURE(KillRunAt(point));
    // The killed run left its changes and its journal.
    EXPECT_NE(differences(before, machine_snapshot()), "");
    EXPECT_TRUE(exists(run_folder + L"\\run.journal"));

    ASSERT_NO_FATAL_FAILURE(StartAndSeeTheRunUndone());
    EXPECT_EQ(differences(before, machine_snapshot()), "");

    InstallAndUninstallLeaveNothing();
}

INSTANTIATE_TEST_SUITE_P(At, KilledRun, ::testing::ValuesIn(kill_points),
                         [](const ::testing::TestParamInfo<kill_point>& info) { return std::string(info.param.name); });

TEST_F(KilledInstaller, AnUndoThatFailsIsReportedAndTriedAgainAtTheNextStart)
{
    const item_map before = machine_snapshot();
    ASSERT_NO_FATAL_FAILURE(KillRunAt(kill_points[0]));
    {
        // Another program holds the half-written file: it cannot be deleted.
        const tal::unique_hfile holder(
            ::CreateFileW(large_file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        test::program next(test::installer_path());
        const HWND box = test::wait_for_message_box(next.id(), 30000);
        ASSERT_TRUE(box);
        const std::wstring text = test::message_box_text(box);
        EXPECT_EQ(text.rfind(not_undone_start, 0), 0u) << test::narrow(text);
        test::press(box, IDCANCEL);
        DWORD code = 0;
        ASSERT_TRUE(next.wait(20000, code));
        // Nothing else was installed over it: the run and its journal wait for the next start.
        EXPECT_EQ(recorded_run_folder(), run_folder);
        EXPECT_TRUE(exists(run_folder + L"\\run.journal"));
        EXPECT_TRUE(exists(large_file));
    }
    ASSERT_NO_FATAL_FAILURE(StartAndSeeTheRunUndone());
    EXPECT_EQ(differences(before, machine_snapshot()), "");
    EXPECT_TRUE(recorded_run_folder().empty());
}

// The /LOG file of a silent run as text, after its byte order mark.
std::wstring read_silent_log(const std::wstring& path)
{
    std::string bytes = test::read_bytes(path);
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
        bytes.erase(0, 3);
    std::wstring text(bytes.size(), L'\0');
    text.resize(static_cast<std::size_t>(::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                                text.data(), static_cast<int>(text.size()))));
    return text;
}

TEST_F(KilledInstaller, ASilentStartUndoesTheRunOrSaysWhyNotInItsLog)
{
    const item_map before = machine_snapshot();
    ASSERT_NO_FATAL_FAILURE(KillRunAt(kill_points[0]));
    const test::scratch_folder logs;
    const std::wstring log_file = logs / L"silent.log";
    const std::wstring arguments = L"/S /LOG=\"" + log_file + L"\"";
    {
        // The half-written file is held: the undo fails, and nothing is installed over it.
        const tal::unique_hfile holder(
            ::CreateFileW(large_file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        DWORD code = 0;
        test::program refused(test::installer_path(), arguments);
        ASSERT_TRUE(refused.wait(60000, code));
        EXPECT_EQ(code, static_cast<DWORD>(EXIT_INTERRUPTED_RUN_NOT_UNDONE));
        const std::wstring log = read_silent_log(log_file);
        EXPECT_NE(log.find(not_undone_start), std::wstring::npos) << test::narrow(log);
        EXPECT_EQ(recorded_run_folder(), run_folder);
        EXPECT_EQ(test::registry_text(L"DisplayName"), L"<none>");
    }
    DWORD code = 1;
    test::program installing(test::installer_path(), arguments);
    ASSERT_TRUE(installing.wait(120000, code));
    EXPECT_EQ(code, static_cast<DWORD>(EXIT_INSTALLED));
    const std::wstring log = read_silent_log(log_file);
    EXPECT_NE(log.find(undone_text + L"\r\n"), std::wstring::npos) << test::narrow(log);
    EXPECT_TRUE(recorded_run_folder().empty());
    // Installed over the machine as it was: the uninstaller leaves the snapshot from before.
    EXPECT_EQ(test::registry_text(L"DisplayName"), L"Vantrel 7.05a");
    ASSERT_TRUE(test::run_command_line(test::registry_text(L"UninstallString") + L" /S", 20000, code));
    WaitForTheUninstallersCopy();
    EXPECT_EQ(differences(before, machine_snapshot()), "");
}

} // namespace
