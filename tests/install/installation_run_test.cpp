// The installation run without a window: the extraction callback's rule for each kind of
// entry, its log lines and error texts, and whole runs over hand-made archives, all seen
// through a report that records what a page would show.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "app/previous_installation.h"
#include "app/product.h"
#include "holders/handles.h"
#include "install/extraction_callback.h"
#include "install/installation_run.h"
#include "install/payload_check.h"
#include "payload/archive_entry.h"
#include "payload/compress_error.h"
#include "payload/extract.h"
#include "payload/memstream.h"
#include "state/journal.h"
#include "support/language.h"
#include "support/named_mutex.h"
#include "support/security.h"
#include "support/temporary_folder.h"
#include "helper_process.h"
#include "test_support.h"

namespace {

using payload::entry_kind;
using result = payload::notification::result;

constexpr std::uint32_t kind(entry_kind k)
{
    return static_cast<std::uint32_t>(k);
}

// What a page would show, kept as text. A ruled line is kept as "[ruled text]".
class recording_report : public InstallationReport {
public:
    void SetStatus(const std::wstring& text) override
    {
        fail_if(text);
        statuses.push_back(text);
    }
    void SetStatusPath(const std::wstring& text) override
    {
        fail_if(text);
        status_paths.push_back(text);
    }
    void AppendLog(const std::wstring& text, bool ruled) override
    {
        fail_if(text);
        log += ruled || text.empty() ? L"[ruled " + text + L"]\r\n" : text;
    }
    void StartProgress() override { progress.push_back(-1); }
    void SetProgress(int percent) override { progress.push_back(percent); }

    std::wstring status() const { return statuses.empty() ? std::wstring() : statuses.back(); }

    std::wstring log;
    std::vector<std::wstring> statuses;
    std::vector<std::wstring> status_paths;
    std::vector<int> progress; // -1 where the progress was started
    // When set, the first text for which it is true throws instead of being shown: a step
    // that fails by an exception.
    std::function<bool(const std::wstring& text, const std::wstring& log)> throw_on;

private:
    void fail_if(const std::wstring& text)
    {
        if (throw_on && throw_on(text, log)) {
            throw_on = nullptr;
            throw std::runtime_error("the report failed");
        }
    }
};

bool exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string content(const std::wstring& path)
{
    return exists(path) ? test::read_file(test::to_path(path)) : std::string("<none>");
}

// A file's line: its path in quotes when it has a blank.
std::wstring copying(const std::wstring& path, const wchar_t* outcome = L"OK")
{
    const std::wstring shown = path.find(L' ') == std::wstring::npos ? path : L"\"" + path + L"\"";
    return L"Copying File  " + shown + L"..." + outcome + L"\r\n";
}

class RunTest : public ::testing::Test {
protected:
    void SetUp() override { tal::set_language(1); } // English
    void TearDown() override { tal::set_language(0); }

    test::temp_folder folder;
    std::wstring install = folder.wide(L"Program Files\\Vantrel 7");
    InstallJournal journal{GetProductName(false), GetProductKeyName()};
    recording_report report;
};

// The callback over a real extraction of a hand-made archive.
class ExtractionRules : public RunTest {
protected:
    bool extract(const test::archive_bytes& archive, int previous_state)
    {
        InstallationSettings settings;
        settings.installFolder = install;
        settings.previousState = previous_state;
        state = std::make_unique<RunState>(settings, journal);
        state->temporary.folder = folder.wide(L"Temporary Files");
        const std::string compressed = test::compress(archive.bytes());
        PayloadCheck payload(compressed.data(), compressed.size());
        ExtractionCallback callback(report, *state, payload);
        tal::imemstream source = payload.Open();
        return payload::extract_archive(source, {install, L"Vantrel Examples", state->temporary.folder},
                                        std::ref(callback));
    }

    // The journal's file entries: path -> archive kind.
    std::map<std::wstring, std::uint32_t> recorded() const
    {
        std::map<std::wstring, std::uint32_t> files;
        for (const JournalEntry& entry : journal.current_entries) {
            if (entry.kind == journal_kind::file) {
                EXPECT_TRUE(entry.succeeded) << test::narrow(entry.path);
                files[entry.path] = entry.value;
            }
        }
        return files;
    }

    std::unique_ptr<RunState> state;
};

TEST_F(ExtractionRules, EachKindOnAFreshInstallation)
{
    test::archive_bytes archive;
    archive.add(L"Vantrel.exe", L"<InstallPath>", "program", kind(entry_kind::program))
        .add(L"Uninstall.exe", L"<InstallPath>", "uninstaller", kind(entry_kind::uninstaller))
        .add(L"UserImages.bmp", L"<InstallPath>\\User Data", "pictures", kind(entry_kind::user_data))
        .add(L"Wood.jpg", L"<InstallPath>\\Textures", "wood", kind(entry_kind::shared_data))
        .add(L"DSETUP.dll", L"<Temporary>", "setup", kind(entry_kind::redistributable))
        .add(L"Vantrel.en.dll", L"<InstallPath>\\Lang", "english", kind(entry_kind::language_module));
    ASSERT_TRUE(extract(archive, PREVIOUS_NONE));

    const std::wstring program = install + L"\\Vantrel.exe", uninstaller = install + L"\\Uninstall.exe",
                       user = install + L"\\User Data\\UserImages.bmp", wood = install + L"\\Textures\\Wood.jpg",
                       setup = state->temporary.folder + L"\\DSETUP.dll", module = install + L"\\Lang\\Vantrel.en.dll";
    EXPECT_EQ(state->programPath, program);
    EXPECT_EQ(state->uninstallerPath, uninstaller);
    // The setup library is a temporary file, never a journal entry.
    EXPECT_EQ(state->temporary.files, std::vector<std::wstring>{setup});
    const std::map<std::wstring, std::uint32_t> expected{{program, 1}, {uninstaller, 2}, {user, 3}, {wood, 4},
                                                         {module, 0}};
    EXPECT_EQ(recorded(), expected);
    EXPECT_FALSE(journal.entry_open);
    EXPECT_EQ(content(user), "pictures");
    EXPECT_EQ(content(setup), "setup");

    std::wstring log = L"Preparing Installation...OK\r\n";
    for (const std::wstring& path : {program, uninstaller, user, wood, setup, module})
        log += copying(path);
    EXPECT_EQ(report.log, log);
    EXPECT_EQ(report.status_paths.size(), 6u);
    EXPECT_EQ(report.status_paths.back(), L"Copying File  \"" + module + L"\"...");
    ASSERT_FALSE(report.progress.empty());
    EXPECT_EQ(report.progress.back(), 100);
}

TEST_F(ExtractionRules, UserDataPresentOrListedBeforeIsKept)
{
    const std::wstring user = install + L"\\User Data\\UserImages.bmp";
    struct {
        int previous_state;
        bool present;
        bool listed; // by the previous installation's log
        bool written;
        bool recorded;
    } const cases[] = {
        {PREVIOUS_NONE, false, false, true, true},
        {PREVIOUS_NONE, true, false, false, true},   // kept, recorded for the uninstaller
        {PREVIOUS_NONE, false, true, true, true},    // a fresh installation reads no previous log
        {PREVIOUS_SAME_VERSION, true, true, false, false},
        {PREVIOUS_SAME_VERSION, false, true, false, false}, // deleted since: not brought back
        {PREVIOUS_OLDER_VERSION, false, true, false, false},
        {PREVIOUS_OLDER_VERSION, true, false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "state " << c.previous_state << " present " << c.present << " listed "
                                        << c.listed);
        ::SetFileAttributesW(user.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(user.c_str());
        if (c.present)
            test::write_file(test::to_path(user), "the user's own pictures");
        journal.DeleteBackups();
        journal.current_entries.clear();
        journal.previous_entries.clear();
        if (c.listed)
            journal.previous_entries.push_back({journal_kind::file, user, {}, true, kind(entry_kind::user_data), {}});
        report.log.clear();

        test::archive_bytes archive;
        archive.add(L"UserImages.bmp", L"<InstallPath>\\User Data", "pictures", kind(entry_kind::user_data));
        ASSERT_TRUE(extract(archive, c.previous_state));

        EXPECT_EQ(content(user), c.written ? "pictures" : c.present ? "the user's own pictures" : "<none>");
        EXPECT_EQ(report.log.find(L"UserImages.bmp") != std::wstring::npos, c.written);
        EXPECT_EQ(recorded().count(user), c.recorded ? 1u : 0u);
        EXPECT_FALSE(journal.entry_open);
        // A kept file is recorded with a copy of it, so that nothing ever moves it away.
        if (c.present && c.recorded) {
            EXPECT_EQ(content(user), "the user's own pictures");
        }
        // The Users group's access is widened on the file; Wine keeps no DACLs, so that part
        // cannot be read back here.
    }
    journal.DeleteBackups();
}

TEST_F(ExtractionRules, SharedDataIsSkippedOnAnUpdateOnly)
{
    const std::wstring wood = install + L"\\Textures\\Wood.jpg";
    for (const int previous_state : {PREVIOUS_NONE, PREVIOUS_SAME_VERSION, PREVIOUS_OLDER_VERSION}) {
        SCOPED_TRACE(previous_state);
        test::write_file(test::to_path(wood), "the installed texture");
        journal.current_entries.clear();
        report.log.clear();
        test::archive_bytes archive;
        archive.add(L"Wood.jpg", L"<InstallPath>\\Textures", "wood", kind(entry_kind::shared_data));
        ASSERT_TRUE(extract(archive, previous_state));
        const bool update = previous_state == PREVIOUS_OLDER_VERSION;
        EXPECT_EQ(content(wood), update ? "the installed texture" : "wood");
        EXPECT_EQ(report.log, L"Preparing Installation...OK\r\n" + (update ? L"" : copying(wood)));
        EXPECT_EQ(recorded().size(), update ? 0u : 1u);
        journal.DeleteBackups();
    }
}

TEST_F(ExtractionRules, AFailureEndsTheLineAndNamesItsCode)
{
    struct {
        std::error_code code;
        const wchar_t* status;
    } const cases[] = {
        {{ERROR_DISK_FULL, std::system_category()}, L"Installation failed (Error Code 1:00000070)."},
        {{EACCES, std::generic_category()}, L"Installation failed (Error Code 2:0000000D)."},
        {payload::make_error_code(payload::compress_errc::invalid_checksum), L"Installation failed (Error Code 3)."},
        {std::make_error_code(std::io_errc::stream), L"Installation failed (Error Code 7)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(test::narrow(c.status));
        report.log.clear();
        RunState state({}, journal);
        PayloadCheck nothing(nullptr, 0);
        ExtractionCallback callback(report, state, nothing);
        journal.RecordFile(folder.wide(L"being written.txt"), kind(entry_kind::program), false);
        ASSERT_TRUE(journal.entry_open);
        EXPECT_EQ(callback.OnError(c.code), result::abort);
        EXPECT_FALSE(journal.entry_open);
        EXPECT_FALSE(journal.current_entries.back().succeeded);
        EXPECT_EQ(report.log, L"Failed\r\n");
        EXPECT_EQ(report.status(), c.status);
    }
}

TEST_F(ExtractionRules, DamagedArchiveFailsBeforeAnyFile)
{
    test::archive_bytes archive;
    archive.add(L"Vantrel.exe", L"<InstallPath>", "program", kind(entry_kind::program));
    std::string compressed = test::compress(archive.bytes());
    compressed[compressed.size() / 2] ^= 0x55;
    RunState state({}, journal);
    PayloadCheck payload(compressed.data(), compressed.size());
    ExtractionCallback callback(report, state, payload);
    tal::imemstream source = payload.Open();
    EXPECT_FALSE(payload::extract_archive(source, {install, L"", folder.wide(L"tmp")}, std::ref(callback)));
    EXPECT_EQ(report.log, L"Preparing Installation...Failed\r\n");
    EXPECT_EQ(report.status(), L"Installation failed (Error Code 4).");
    EXPECT_FALSE(exists(install));
}

TEST_F(ExtractionRules, TheLogShowsLongPathsWholeAndQuoted)
{
    RunState state({}, journal);
    PayloadCheck nothing(nullptr, 0);
    ExtractionCallback callback(report, state, nothing);
    const std::wstring base = folder.wide(L"Long Folder\\");
    for (const std::size_t length : {std::size_t{200}, std::size_t{259}, std::size_t{260}, std::size_t{300}}) {
        SCOPED_TRACE(length);
        ASSERT_LT(base.size() + 8, length);
        const std::wstring path = base + std::wstring(length - base.size() - 4, L'x') + L".dll";
        ASSERT_EQ(path.size(), length);
        report.log.clear();
        payload::archive_entry entry;
        entry.destination = path;
        entry.kind = kind(entry_kind::language_module);
        EXPECT_EQ(callback.OnFileBegin(entry), result::proceed);
        journal.CloseEntry(false);
        EXPECT_EQ(report.log, L"Copying File  \"" + path + L"\"...");
        EXPECT_EQ(report.status_paths.back(), report.log);
    }
}

TEST_F(RunTest, TheBarMovesOncePerPercent)
{
    RunState state({}, journal);
    PayloadCheck nothing(nullptr, 0);
    ExtractionCallback callback(report, state, nothing);
    // Pieces of 4 KB over a megabyte: several per percent, and the last one twice.
    constexpr std::uint64_t total = 1000000;
    for (std::uint64_t done = 0; done < total; done += 4096)
        EXPECT_EQ(callback(payload::notification::make_progress(done, total)), result::proceed);
    callback(payload::notification::make_progress(total, total));
    callback(payload::notification::make_progress(total, total));
    std::vector<int> every_percent;
    for (int percent = 0; percent <= 100; ++percent)
        every_percent.push_back(percent);
    EXPECT_EQ(report.progress, every_percent);
}

TEST_F(RunTest, TheWindowIsServedAfterEveryEventAndBetweenPiecesOncePerFrame)
{
    RunState state({}, journal);
    PayloadCheck nothing(nullptr, 0);
    ExtractionCallback callback(report, state, nothing);
    const auto queued = [] {
        MSG msg{};
        return ::PeekMessageW(&msg, nullptr, WM_APP, WM_APP, PM_NOREMOVE) != FALSE;
    };
    const auto post = [] { ASSERT_TRUE(::PostThreadMessageW(::GetCurrentThreadId(), WM_APP, 0, 0)); };
    const auto piece = payload::notification::make_progress(4096, 1000000);

    post();
    callback(piece); // the first piece finds the window unserved
    EXPECT_FALSE(queued());
    const auto served = std::chrono::steady_clock::now();
    post();
    callback(piece);
    // Within the same frame the message waits; a descheduled test may have left the frame.
    if (std::chrono::steady_clock::now() - served < std::chrono::milliseconds(10)) {
        EXPECT_TRUE(queued());
    }
    callback(payload::notification::make_finished(0, 0));
    EXPECT_FALSE(queued());

    post();
    ::Sleep(20); // a frame later
    callback(piece);
    EXPECT_FALSE(queued());
}

TEST(DataFileGrantee, TheUsersOwnProfileGetsTheUserTheSharedFolderEveryUser)
{
    const std::wstring appdata = L"C:\\Users\\Ann\\AppData\\Roaming";
    struct {
        const wchar_t* root;
        tal::sid_kind expected;
    } const cases[] = {
        {L"C:\\Users\\Ann\\AppData\\Roaming", tal::sid_kind::token_user},
        {L"c:\\users\\ann\\appdata\\roaming\\", tal::sid_kind::token_user},
        {L"C:\\ProgramData", tal::sid_kind::users},
        {L"C:\\Users\\Ann\\AppData\\Roaming Shared", tal::sid_kind::users},
        {L"C:\\Program Files\\Vantrel 7", tal::sid_kind::users},
        {L"", tal::sid_kind::users},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(test::narrow(c.root));
        EXPECT_EQ(DataFileGrantee(c.root, appdata), c.expected);
    }
    EXPECT_EQ(DataFileGrantee(L"", L""), tal::sid_kind::users);
}

TEST_F(ExtractionRules, AFileWithASecondNameIsNeitherKeptNorOverwritten)
{
    // Someone else's file, given a second name where a file of ours goes: a kept data file
    // would have its access widened, any other would be overwritten, through that name.
    const std::wstring original = folder.wide(L"Elsewhere\\secret.txt");
    for (const entry_kind k : {entry_kind::user_data, entry_kind::shared_data}) {
        SCOPED_TRACE(kind(k));
        const std::wstring target = install + L"\\Data\\file.dat";
        ::DeleteFileW(target.c_str());
        test::write_file(test::to_path(original), "someone else's");
        std::filesystem::create_directories(test::to_path(install + L"\\Data"));
        ASSERT_TRUE(::CreateHardLinkW(target.c_str(), original.c_str(), nullptr));
        journal.current_entries.clear();
        report.log.clear();

        test::archive_bytes archive;
        archive.add(L"file.dat", L"<InstallPath>\\Data", "ours", kind(k));
        EXPECT_FALSE(extract(archive, PREVIOUS_NONE));
        EXPECT_EQ(report.log, L"Preparing Installation...OK\r\n" + copying(target, L"Failed"));
        EXPECT_EQ(report.status(), L"Installation failed (Error Code 1:00000476).");
        EXPECT_EQ(content(original), "someone else's");
        EXPECT_TRUE(recorded().empty());
        EXPECT_FALSE(journal.entry_open);
    }
}

// Whole runs. They write the product's own Uninstall key: the tests run alone.
class InstallationRunTest : public RunTest {
protected:
    void TearDown() override
    {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, product_key.c_str());
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, product_key.c_str());
        RunTest::TearDown();
    }

    InstallationSettings settings()
    {
        InstallationSettings s;
        s.installFolder = install;
        s.startMenuFolder = folder.wide(L"Start Menu\\Vantrel 7");
        s.menuShortcut = true;
        s.nameTemporaryFolder = [this](std::wstring& name, std::wstring&) {
            name = temporary;
            return true;
        };
        return s;
    }

    bool run(const test::archive_bytes& archive, InstallationSettings s)
    {
        const std::string compressed = test::compress(archive.bytes());
        PayloadCheck payload(compressed.data(), compressed.size());
        InstallationRun installation(std::move(s), journal, lock, report);
        return installation.Run(payload);
    }
    bool run(const test::archive_bytes& archive) { return run(archive, settings()); }
    bool run(PayloadCheck& payload)
    {
        InstallationRun installation(settings(), journal, lock, report);
        return installation.Run(payload);
    }

    // The product without a program that could register itself.
    static test::archive_bytes product()
    {
        test::archive_bytes archive;
        archive.add(L"Vantrel.exe", L"<InstallPath>", "program", kind(entry_kind::program))
            .add(L"Uninstall.exe", L"<InstallPath>", "uninstaller", kind(entry_kind::uninstaller))
            .add(L"Vantrel.en.dll", L"<InstallPath>\\Lang", "english", kind(entry_kind::language_module));
        return archive;
    }

    // The backups' names that the journal makes in TEMP.
    static std::set<std::wstring> backups_in_temp()
    {
        std::set<std::wstring> names;
        WIN32_FIND_DATAW found{};
        const HANDLE search = ::FindFirstFileW((tal::system_temporary_folder() + L"tal*.tmp").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do
            names.insert(found.cFileName);
        while (::FindNextFileW(search, &found));
        ::FindClose(search);
        return names;
    }

    const std::wstring product_key = std::wstring(uninstall_key_parent) + L"\\" + GetProductKeyName();
    std::wstring temporary = folder.wide(L"marrowin_{run}");
    tal::named_mutex lock{L"Vantrel-installation-run-test", false, false};
};

TEST_F(InstallationRunTest, AGoodRunLogsEveryStepAndLeavesNoTemporaryFiles)
{
    ASSERT_TRUE(lock.try_acquire());
    const std::wstring program = install + L"\\Vantrel.exe", uninstaller = install + L"\\Uninstall.exe",
                       module = install + L"\\Lang\\Vantrel.en.dll";
    EXPECT_TRUE(run(product()));

    // The program is a text file here: it cannot register itself.
    EXPECT_EQ(report.log, L"[ruled ]\r\nPreparing Installation...OK\r\n" + copying(program) + copying(uninstaller)
                              + copying(module)
                              + L"Shortcuts Creation...OK\r\n"
                                L"Registry Data Writing...Failed\r\n"
                                L"Installation Data Writing...OK\r\n");
    EXPECT_EQ(report.statuses.front(), L"Preparing Installation...");
    EXPECT_EQ(report.status(), L"Click on 'Next' to continue.");
    EXPECT_EQ(report.progress.front(), -1);
    EXPECT_EQ(report.progress.back(), 100);
    // Given up while the program might start, taken back afterwards.
    EXPECT_TRUE(lock.owned());
    EXPECT_TRUE(::GetFileAttributesW(program.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(::GetFileAttributesW(uninstaller.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(exists(install + L"\\Uninstall.ulog"));
    EXPECT_TRUE(exists(folder.wide(L"Start Menu\\Vantrel 7\\Vantrel 7.05a.lnk")));
    EXPECT_TRUE(exists(folder.wide(L"Start Menu\\Vantrel 7\\Uninstall Vantrel.lnk")));
    EXPECT_FALSE(exists(temporary));
    lock.release();
}

TEST_F(InstallationRunTest, TheDirectXSetupRunsFromTheTemporaryFolder)
{
    test::archive_bytes archive = product();
    archive.add(L"DSETUP.dll", L"<Temporary>", test::read_file(test::to_path(test::test_folder() + L"dsetup_good.dll")),
                kind(entry_kind::redistributable));
    auto s = settings();
    s.menuShortcut = false;
    EXPECT_TRUE(run(archive, s));
    // The setup library says it in French in every language.
    EXPECT_NE(report.log.find(copying(temporary + L"\\DSETUP.dll")), std::wstring::npos) << test::narrow(report.log);
    EXPECT_NE(report.log.find(L"Registry Data Writing...Failed\r\n"), std::wstring::npos);
    EXPECT_NE(report.log.find(L"Mise \u00e0 jour de DirectX...OK\r\nRegistry Data Writing"), std::wstring::npos);
    EXPECT_EQ(report.log.find(L"Shortcuts"), std::wstring::npos);
    EXPECT_FALSE(exists(temporary));
    EXPECT_FALSE(exists(install + L"\\DSETUP.dll"));
}

// Set by a thread timer, which only a pumped message queue calls.
HANDLE timer_event = nullptr;
void CALLBACK set_timer_event(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    ::SetEvent(timer_event);
}

TEST_F(InstallationRunTest, TheArchiveTestsResultIsAwaitedWhereverItRuns)
{
    // The archive tested in line, in the background and ended before the run, or in the
    // background and still testing when the run starts: a damaged one writes nothing.
    enum class test_state { never_started, ended, still_testing };
    const std::string sound = test::compress(product().bytes());
    std::string damaged = sound;
    damaged[damaged.size() / 2] ^= 0x55;
    const tal::unique_handle released(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(released);
    timer_event = released.get();
    for (const bool is_damaged : {true, false}) {
        for (const test_state state : {test_state::never_started, test_state::ended, test_state::still_testing}) {
            SCOPED_TRACE(testing::Message() << (is_damaged ? "damaged" : "sound") << ", state "
                                            << static_cast<int>(state));
            report = recording_report();
            journal.current_entries.clear();
            ::ResetEvent(released.get());
            std::atomic<bool> ended{false};
            const std::string& bytes = is_damaged ? damaged : sound;
            PayloadCheck payload(bytes.data(), bytes.size(), [&](payload::byte_source& source) {
                if (state == test_state::still_testing)
                    ::WaitForSingleObject(released.get(), 20000);
                const bool good = payload::test_archive(source);
                ended = true;
                return good;
            });
            if (state != test_state::never_started)
                payload.Start(THREAD_PRIORITY_BELOW_NORMAL);
            if (state == test_state::ended) {
                for (int i = 0; i < 2000 && !ended; ++i)
                    ::Sleep(10);
            }
            if (state == test_state::still_testing) {
                ASSERT_NE(::SetTimer(nullptr, 0, 100, set_timer_event), 0u);
            }
            bool ended_when_shown = false, shown = false;
            report.throw_on = [&](const std::wstring& text, const std::wstring&) {
                if (!shown && text == L"Preparing Installation...") {
                    shown = true;
                    ended_when_shown = ended;
                }
                return false;
            };

            EXPECT_EQ(run(payload), !is_damaged);
            EXPECT_TRUE(shown);
            EXPECT_EQ(ended_when_shown, state == test_state::ended);
            // Released by the timer: the run kept the messages flowing while it waited.
            if (state == test_state::still_testing) {
                EXPECT_EQ(::WaitForSingleObject(released.get(), 0), WAIT_OBJECT_0);
            }
            if (is_damaged) {
                EXPECT_EQ(report.log, L"[ruled ]\r\nPreparing Installation...Failed\r\n");
                EXPECT_EQ(report.status(), L"Installation failed (Error Code 4).");
                EXPECT_FALSE(exists(install));
                EXPECT_TRUE(journal.current_entries.empty());
            } else {
                EXPECT_EQ(report.log.rfind(L"[ruled ]\r\nPreparing Installation...OK\r\n" + copying(install + L"\\Vantrel.exe"), 0), 0u)
                    << test::narrow(report.log);
                EXPECT_EQ(report.status(), L"Click on 'Next' to continue.");
                ::SetFileAttributesW((install + L"\\Vantrel.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
                ::SetFileAttributesW((install + L"\\Uninstall.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
                journal.DeleteBackups();
            }
            EXPECT_FALSE(exists(temporary));
        }
    }
    timer_event = nullptr;
}

TEST_F(InstallationRunTest, NoTemporaryFolderStopsTheRunBeforeAnything)
{
    auto s = settings();
    s.nameTemporaryFolder = [](std::wstring&, std::wstring& error) {
        error = L"00000005 (GetTempPath)";
        return false;
    };
    EXPECT_FALSE(run(product(), s));
    EXPECT_EQ(report.status(), L"Installation failed (Error Code 00000005 (GetTempPath)).");
    EXPECT_EQ(report.log, L"[ruled ]\r\nInstallation failed (Error Code 00000005 (GetTempPath)).\r\n");
    EXPECT_FALSE(exists(install));
}

TEST_F(InstallationRunTest, ATemporaryFolderThatExistsStopsTheRunBeforeAnything)
{
    // The name is taken: by a folder holding a planted setup library, by a file, or the
    // folder cannot be made at all. Nothing of it is used, changed or removed.
    const std::wstring taken = folder.wide(L"taken folder"), file = folder.wide(L"taken file");
    test::write_file(test::to_path(taken + L"\\DSETUP.dll"), "planted");
    test::write_file(test::to_path(file), "someone's file");
    struct {
        std::wstring name;
        const wchar_t* error;
    } const cases[] = {
        {taken, L"000000b7 (CreateDirectory)"},
        {file, L"000000b7 (CreateDirectory)"},
        {folder.wide(L"missing\\marrowin_{run}"), L"00000003 (CreateDirectory)"},
    };
    test::archive_bytes archive = product();
    archive.add(L"DSETUP.dll", L"<Temporary>", test::read_file(test::to_path(test::test_folder() + L"dsetup_good.dll")),
                kind(entry_kind::redistributable));
    for (const auto& c : cases) {
        SCOPED_TRACE(test::narrow(c.name));
        report = recording_report();
        temporary = c.name;
        EXPECT_FALSE(run(archive));
        const std::wstring failed = L"Installation failed (Error Code " + std::wstring(c.error) + L").";
        EXPECT_EQ(report.status(), failed);
        EXPECT_EQ(report.log, L"[ruled ]\r\n" + failed + L"\r\n");
        EXPECT_FALSE(exists(install));
        EXPECT_TRUE(journal.current_entries.empty());
        EXPECT_TRUE(journal.backup_folder().empty());
    }
    EXPECT_EQ(content(taken + L"\\DSETUP.dll"), "planted");
    EXPECT_EQ(content(file), "someone's file");
    EXPECT_FALSE(exists(folder.wide(L"missing")));
}

TEST_F(InstallationRunTest, BackupsLiveInTheRunsOwnFolderUntilTheRunEnds)
{
    // What the run replaces: a program of before and, on a good run, the product's key.
    const std::wstring program = install + L"\\Vantrel.exe";
    for (const bool damaged : {false, true}) {
        SCOPED_TRACE(damaged ? "failed extraction" : "good run");
        report = recording_report();
        journal.current_entries.clear();
        ::SetFileAttributesW(program.c_str(), FILE_ATTRIBUTE_NORMAL);
        test::write_file(test::to_path(program), "the installed program");
        HKEY raw = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, product_key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &raw, nullptr),
                  ERROR_SUCCESS);
        ::RegCloseKey(raw);
        const std::set<std::wstring> before = backups_in_temp();

        // Whenever the run shows something: is its folder there, and where are the backups.
        bool folder_while_copying = true;
        std::map<std::wstring, bool> backups; // path -> there when seen
        std::set<journal_kind> kinds;
        report.throw_on = [&](const std::wstring& text, const std::wstring&) {
            if (text.find(L"Copying File") != std::wstring::npos)
                folder_while_copying = folder_while_copying && exists(temporary);
            for (const JournalEntry& entry : journal.current_entries) {
                if (entry.backup.empty())
                    continue;
                backups[entry.backup] = backups[entry.backup] || exists(entry.backup);
                kinds.insert(entry.kind);
            }
            return false;
        };
        test::archive_bytes archive = product();
        if (damaged)
            archive.back().crc ^= 1;
        EXPECT_EQ(run(archive), !damaged);

        EXPECT_TRUE(folder_while_copying);
        const std::set<journal_kind> expected_kinds =
            damaged ? std::set<journal_kind>{journal_kind::file}
                    : std::set<journal_kind>{journal_kind::file, journal_kind::uninstall_key};
        EXPECT_EQ(kinds, expected_kinds);
        for (const auto& [backup, seen] : backups) {
            SCOPED_TRACE(test::narrow(backup));
            EXPECT_EQ(backup.rfind(temporary + L"\\tal", 0), 0u);
            EXPECT_TRUE(seen);
            EXPECT_FALSE(exists(backup));
        }
        EXPECT_EQ(content(program), damaged ? "the installed program" : "program");
        EXPECT_FALSE(exists(temporary));
        EXPECT_EQ(backups_in_temp(), before);
        EXPECT_TRUE(journal.backup_folder().empty());
        ::SetFileAttributesW(program.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::SetFileAttributesW((install + L"\\Uninstall.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(InstallationRunTest, AFailedExtractionIsUndone)
{
    test::write_file(test::to_path(install + L"\\Vantrel.exe"), "the installed program");
    test::archive_bytes archive = product();
    archive.back().crc ^= 1; // the language module arrives damaged
    const std::set<std::wstring> before = backups_in_temp();
    EXPECT_FALSE(run(archive));
    EXPECT_NE(report.log.find(copying(install + L"\\Lang\\Vantrel.en.dll", L"Failed")), std::wstring::npos)
        << test::narrow(report.log);
    EXPECT_EQ(report.status(), L"Installation failed (Error Code 3).");
    EXPECT_EQ(report.log.find(L"Shortcuts"), std::wstring::npos);
    EXPECT_EQ(content(install + L"\\Vantrel.exe"), "the installed program");
    EXPECT_FALSE(exists(install + L"\\Uninstall.exe"));
    EXPECT_FALSE(exists(install + L"\\Lang"));
    EXPECT_TRUE(journal.current_entries.empty());
    EXPECT_FALSE(exists(temporary));
    EXPECT_EQ(backups_in_temp(), before);
}

TEST_F(InstallationRunTest, StepsAfterTheExtractionAreNeverUndone)
{
    const std::wstring program = install + L"\\Vantrel.exe", log = install + L"\\Uninstall.ulog";
    struct {
        const wchar_t* failing; // the line that fails by an exception
        const wchar_t* throws_after; // the report throws on the first text after this log
        const wchar_t* following;    // a later step that still runs
    } const cases[] = {
        {L"Shortcuts Creation...Failed\r\n", L"Shortcuts Creation...", L"Installation Data Writing...OK\r\n"},
        {L"Registry Data Writing...Failed\r\n", L"Registry Data Writing...", L"Installation Data Writing...OK\r\n"},
        // Once the uninstall log is written the run is committed.
        {L"Installation Data Writing...Failed\r\n", L"Installation Data Writing...", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(test::narrow(c.failing));
        report = recording_report();
        ::SetFileAttributesW(log.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(log.c_str());
        const std::wstring after = c.throws_after;
        report.throw_on = [after](const std::wstring&, const std::wstring& log) {
            return log.size() >= after.size() && log.compare(log.size() - after.size(), after.size(), after) == 0;
        };
        EXPECT_TRUE(run(product()));
        EXPECT_NE(report.log.find(c.failing), std::wstring::npos) << test::narrow(report.log);
        if (c.following) {
            EXPECT_NE(report.log.find(c.following), std::wstring::npos);
        }
        EXPECT_EQ(report.status(), L"Click on 'Next' to continue.");
        EXPECT_EQ(content(program), "program");
        EXPECT_TRUE(exists(log));
        EXPECT_FALSE(journal.entry_open);
        EXPECT_FALSE(exists(temporary));
        ::SetFileAttributesW(program.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::SetFileAttributesW((install + L"\\Uninstall.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
        journal.DeleteBackups();
        journal.current_entries.clear();
    }
}

TEST_F(InstallationRunTest, BackupsGoEvenWhenNoLogCanBeWritten)
{
    // What the run replaces is backed up in TEMP: a program of before and the product's key.
    test::write_file(test::to_path(install + L"\\Vantrel.exe"), "the installed program");
    HKEY raw = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, product_key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                &raw, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(raw);
    const std::set<std::wstring> before = backups_in_temp();

    // Without an uninstaller there is nowhere to write the log.
    test::archive_bytes archive;
    archive.add(L"Vantrel.exe", L"<InstallPath>", "program", kind(entry_kind::program));
    EXPECT_TRUE(run(archive));
    EXPECT_NE(report.log.find(L"Installation Data Writing...Failed\r\n"), std::wstring::npos)
        << test::narrow(report.log);
    EXPECT_EQ(content(install + L"\\Vantrel.exe"), "program");
    EXPECT_EQ(backups_in_temp(), before);
    for (const JournalEntry& entry : journal.current_entries)
        EXPECT_TRUE(entry.backup.empty()) << test::narrow(entry.path);
}

TEST_F(InstallationRunTest, ALinkWhereAProductFolderGoesFailsTheRunAndIsNotFollowed)
{
    // A user made the product's folder in the shared data folder a link, before the product
    // was installed, to a folder of their choosing that holds a file of someone else's.
    wchar_t common[MAX_PATH] = {};
    ASSERT_EQ(::SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common), S_OK);
    const std::wstring company = std::wstring(common) + L"\\Vantrel link test " + std::to_wstring(::GetCurrentProcessId());
    const std::wstring linked = company + L"\\Vantrel";
    const std::wstring elsewhere = folder.wide(L"Elsewhere");
    test::write_file(test::to_path(elsewhere + L"\\Brushes.vlib"), "someone else's brushes");
    ASSERT_TRUE(::CreateDirectoryW(company.c_str(), nullptr));
    struct cleanup {
        std::wstring company, linked;
        ~cleanup()
        {
            test::remove_folder_link(linked);
            ::RemoveDirectoryW(company.c_str());
        }
    } const remove{company, linked};
    if (!test::make_folder_link(linked, elsewhere))
        GTEST_SKIP() << "this system makes no folder link that it reports as one";

    test::archive_bytes archive = product();
    archive.add(L"Brushes.vlib", L"<CommonData>\\Vantrel link test " + std::to_wstring(::GetCurrentProcessId())
                                     + L"\\Vantrel", "brushes", kind(entry_kind::user_data))
        .add(L"Colors.vlib", L"<CommonData>\\Vantrel link test " + std::to_wstring(::GetCurrentProcessId())
                                 + L"\\Vantrel", "colors", kind(entry_kind::user_data));
    EXPECT_FALSE(run(archive));

    EXPECT_NE(report.log.find(copying(linked + L"\\Brushes.vlib", L"Failed")), std::wstring::npos)
        << test::narrow(report.log);
    EXPECT_EQ(report.status(), L"Installation failed (Error Code 1:000002A9).");
    // Nothing went through the link, and what the run wrote before is undone.
    EXPECT_EQ(content(elsewhere + L"\\Brushes.vlib"), "someone else's brushes");
    EXPECT_FALSE(exists(elsewhere + L"\\Colors.vlib"));
    EXPECT_FALSE(exists(install + L"\\Vantrel.exe"));
    EXPECT_TRUE(journal.current_entries.empty());
    EXPECT_FALSE(exists(temporary));
}

} // namespace
