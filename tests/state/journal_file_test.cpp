// The run's journal on disk: every record read back as written, a line cut short or damaged
// left out, and a run whose process died undone from it alone.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "holders/handles.h"
#include "state/journal.h"
#include "state/journal_file.h"
#include "state/run_recovery.h"
#include "state/run_register.h"
#include "state_fixture.h"
#include "support/path.h"
#include "support/protected_folder.h"
#include "support/registry.h"

namespace {

std::vector<JournalRecord> read_back(const std::wstring& folder)
{
    return parse_journal(test::read_bytes(journal_file_path(folder)));
}

std::vector<std::pair<char, std::vector<std::wstring>>> plain(const std::vector<JournalRecord>& records)
{
    std::vector<std::pair<char, std::vector<std::wstring>>> result;
    for (const JournalRecord& r : records)
        result.emplace_back(static_cast<char>(r.tag), r.fields);
    return result;
}

TEST(JournalFile, EveryRecordKindReadsBackAsWritten)
{
    test::scratch_folder folder;
    // Characters that must survive: a tab, a line end, a per cent sign, non-ASCII text.
    const std::wstring odd = L"a\tb\r\nc%41\u00e9\u4e2d";
    {
        JournalFile file;
        ASSERT_EQ(file.Create(folder.path()), static_cast<DWORD>(ERROR_SUCCESS));
        EXPECT_EQ(file.Create(folder.path()), static_cast<DWORD>(ERROR_FILE_EXISTS)); // never two runs in one
        ASSERT_EQ(file.Create(folder.path() + L"\\second"), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    }
    ::DeleteFileW(journal_file_path(folder.path()).c_str());
    {
    JournalFile file;
    ASSERT_EQ(file.Create(folder.path()), static_cast<DWORD>(ERROR_SUCCESS));
    file.Folder(L"C:\\X\\Y");
    file.Entry(journal_kind::file, true, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, L"C:\\X\\Y\\a.dll");
    file.Backup(false, L"C:\\X\\Y\\a.dll", L"C:\\T\\tal1.tmp");
    file.Entry(journal_kind::desktop_shortcut, false, INVALID_FILE_ATTRIBUTES, L"");
    file.EntryPath(odd);
    file.KeyOpening();
    file.KeyValue(L"DisplayName", REG_SZ, std::string("V\0a\0", 4));
    file.KeyValue(L"", REG_BINARY, std::string());
    file.Key(true);
    file.Log(L"C:\\X\\Uninstall.ulog", L"");
    file.Commit();
    EXPECT_TRUE(file.good());
    } // closed as a dying process's handles are, the file stays
    using fields = std::vector<std::wstring>;
    EXPECT_EQ(plain(read_back(folder.path())),
              (std::vector<std::pair<char, fields>>{
                  {'D', fields{L"C:\\X\\Y"}},
                  {'E', fields{L"1", L"1", L"00000021", L"C:\\X\\Y\\a.dll"}},
                  {'B', fields{L"0", L"C:\\X\\Y\\a.dll", L"C:\\T\\tal1.tmp"}},
                  {'E', fields{L"4", L"0", L"FFFFFFFF", L""}},
                  {'P', fields{odd}},
                  {'N', fields{}},
                  {'V', fields{L"DisplayName", L"1", L"56006100"}},
                  {'V', fields{L"", L"3", L""}},
                  {'K', fields{L"1"}},
                  {'L', fields{L"C:\\X\\Uninstall.ulog", L""}},
                  {'C', fields{}},
              }));
    ::DeleteFileW(journal_file_path(folder.path()).c_str());
    JournalFile ended;
    ASSERT_EQ(ended.Create(folder.path()), static_cast<DWORD>(ERROR_SUCCESS));
    ended.Remove();
    EXPECT_FALSE(::PathFileExistsW(journal_file_path(folder.path()).c_str()));
}

TEST(JournalFile, DamagedLinesAreLeftOut)
{
    const std::string good = journal_line(journal_tag::folder, {L"C:\\X"});
    ASSERT_EQ(good, "D\tC:\\X\n");
    const struct {
        const char* name;
        std::string bytes;
        std::size_t records;
    } cases[] = {
        {"a whole line", good, 1},
        {"the last line without its end", good + good.substr(0, good.size() - 1), 1},
        {"the last line cut in its tag", good + "C", 1},
        {"an unknown tag", "Z\tx\n" + good, 1},
        {"too few fields", "E\t1\t0\n" + good, 1},
        {"too many fields", "D\ta\tb\n" + good, 1},
        {"zeros a power cut left", std::string(16, '\0') + "\n" + good, 1},
        {"a bare control character", "D\tC:\\\x01X\n" + good, 1},
        {"a broken escape", "D\tC:\\%4\n" + good, 1},
        {"bytes that are not UTF-8", "D\t\xff\xfe\n" + good, 1},
        {"a commit", good + "C\n", 2},
        {"nothing", "", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parse_journal(c.bytes).size(), c.records) << c.name;
    const std::vector<JournalRecord> cut = parse_journal(good + "E\t1\t0\t00000020\tC:\\X\\a");
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0].tag, journal_tag::folder);
}

// A run in a protected folder below a scratch tree whose process dies: its JournalFile is
// closed without being removed, as the system closes the handles of a killed process.
class InterruptedRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        run_folder = root.path() + L"\\marrowin_{run}";
        ASSERT_EQ(tal::create_protected_folder(run_folder), static_cast<DWORD>(ERROR_SUCCESS));
        install = root.path() + L"\\Product";
        ::CreateDirectoryW(install.c_str(), nullptr);
        test::write_text(install + L"\\old.dll", "the previous program");
        ::SetFileAttributesW((install + L"\\old.dll").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
        test::write_text(install + L"\\user.txt", "the user's own");
        before = test::snapshot(root.path());
        before.erase(L"marrowin_{run}");
    }

    // Starts the run's journal; the journal object is the run's memory.
    void start()
    {
        file = std::make_unique<JournalFile>();
        ASSERT_EQ(file->Create(run_folder), static_cast<DWORD>(ERROR_SUCCESS));
        journal.SetBackupFolder(run_folder);
        journal.SetJournalFile(file.get());
    }

    // What the run changes: a replaced file, a file kept by copy, a new file half written in
    // new folders.
    void change()
    {
        journal.RecordFile(install + L"\\old.dll", 1, false);
        test::write_text(install + L"\\old.dll", "the new program");
        journal.CloseEntry(true);
        journal.RecordFile(install + L"\\user.txt", 3, true);
        journal.CloseEntry(true);
        journal.RecordFile(install + L"\\Lang\\Deep\\new.dll", 1, false);
        test::write_text(install + L"\\Lang\\Deep\\new.dll", "half of it");
    }

    void die()
    {
        journal.SetJournalFile(nullptr);
        file.reset();
    }

    std::map<std::wstring, std::pair<DWORD, std::string>> tree()
    {
        auto all = test::snapshot(root.path());
        for (auto it = all.begin(); it != all.end();)
            it = it->first.rfind(L"marrowin_{run}", 0) == 0 ? all.erase(it) : std::next(it);
        return all;
    }

    test::scratch_folder root;
    std::wstring run_folder, install;
    std::map<std::wstring, std::pair<DWORD, std::string>> before;
    std::unique_ptr<JournalFile> file;
    InstallJournal journal{L"Vantrel 7.05a", L"Vantrel Test " + std::to_wstring(::GetCurrentProcessId())};
};

TEST_F(InterruptedRun, IsUndoneFromItsJournalAlone)
{
    start();
    change();
    ASSERT_NE(tree(), before);
    DWORD error = 0;
    // While the run lives its journal is its own.
    EXPECT_EQ(recover_run(run_folder, journal.product_key_name(), error), run_recovery::live);
    die();
    EXPECT_EQ(recover_run(run_folder, journal.product_key_name(), error), run_recovery::undone);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(tree(), before);
    EXPECT_FALSE(::PathFileExistsW(run_folder.c_str()));
}

TEST_F(InterruptedRun, ABackupAboutToBeMadeIsNotTakenForOne)
{
    start();
    // The record of the move is written, the move never happened.
    file->Entry(journal_kind::file, true, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, install + L"\\old.dll");
    file->Backup(false, install + L"\\old.dll", run_folder + L"\\tal1.tmp");
    ::SetFileAttributesW((install + L"\\old.dll").c_str(), FILE_ATTRIBUTE_NORMAL);
    die();
    DWORD error = 0;
    EXPECT_EQ(recover_run(run_folder, journal.product_key_name(), error), run_recovery::undone);
    EXPECT_EQ(tree(), before);
}

TEST_F(InterruptedRun, AnUndoThatFailsKeepsTheJournalForTheNextTry)
{
    start();
    change();
    die();
    const std::wstring new_file = install + L"\\Lang\\Deep\\new.dll";
    {
        const tal::unique_hfile held(::CreateFileW(new_file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                   OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        DWORD error = 0;
        EXPECT_EQ(recover_run(run_folder, journal.product_key_name(), error), run_recovery::failed);
        EXPECT_NE(error, static_cast<DWORD>(ERROR_SUCCESS));
        EXPECT_TRUE(::PathFileExistsW(journal_file_path(run_folder).c_str()));
    }
    DWORD error = 0;
    EXPECT_EQ(recover_run(run_folder, journal.product_key_name(), error), run_recovery::undone);
    EXPECT_EQ(tree(), before);
}

TEST_F(InterruptedRun, ACommittedRunOnlyLosesItsTemporaryFiles)
{
    start();
    change();
    journal.CloseEntry(true);
    test::write_text(run_folder + L"\\dxsetup.dll", "a setup file");
    file->Commit();
    die();
    const auto installed = tree();
    DWORD error = 0;
    EXPECT_EQ(recover_run(run_folder, journal.product_key_name(), error), run_recovery::committed);
    EXPECT_EQ(tree(), installed);
    EXPECT_FALSE(::PathFileExistsW(run_folder.c_str()));
}

TEST_F(InterruptedRun, AFolderWithoutJournalLosesWhatItHoldsAndAFileIsNoRun)
{
    // The run had ended (its journal goes first) or not yet begun: what it left goes.
    test::write_text(run_folder + L"\\dxsetup.dll", "a setup file");
    DWORD error = 0;
    EXPECT_EQ(recover_run(run_folder, journal.product_key_name(), error), run_recovery::ended);
    EXPECT_FALSE(::PathFileExistsW(run_folder.c_str()));
    EXPECT_EQ(recover_run(install + L"\\user.txt", journal.product_key_name(), error), run_recovery::not_a_run);
    EXPECT_TRUE(::PathFileExistsW((install + L"\\user.txt").c_str()));
}

// The record of the runs below HKEY_LOCAL_MACHINE: a folder is believed only while it is the
// very folder that was recorded, and forgetting the last run leaves no key behind.
TEST(RunRegister, BelievesOnlyTheRecordedFolderAndLeavesNoKeyBehind)
{
    const std::wstring top = L"Software\\Vantrel Register Test " + std::to_wstring(::GetCurrentProcessId());
    const std::wstring key = top + L"\\Product\\Installer Runs";
    const test::scratch_folder root;
    const std::wstring first = root / L"marrowin_{first}", second = root / L"marrowin_{second}";
    ASSERT_EQ(tal::create_protected_folder(first), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(tal::create_protected_folder(second), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(record_run_folder(key, first), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(record_run_folder(key, second), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(record_run_folder(key, root / L"missing"), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    recorded_runs runs = read_recorded_runs(key);
    EXPECT_EQ(runs.folders, (std::vector<std::wstring>{first, second}));
    EXPECT_TRUE(runs.gone.empty());

    // Somebody else's folder under the second run's name is not that run's.
    // The old folder is moved aside, not removed, so that its number cannot be given again
    // to the new one.
    ASSERT_TRUE(::MoveFileW(second.c_str(), (root / L"moved aside").c_str()));
    ASSERT_TRUE(::CreateDirectoryW(second.c_str(), nullptr));
    runs = read_recorded_runs(key);
    EXPECT_EQ(runs.folders, std::vector<std::wstring>{first});
    EXPECT_EQ(runs.gone, std::vector<std::wstring>{second});

    // A key that holds something else stays; the ones made only for the list go.
    {
        const tal::unique_hkey product = tal::create_key(HKEY_LOCAL_MACHINE, (top + L"\\Product").c_str(), KEY_ALL_ACCESS);
        const DWORD one = 1;
        ASSERT_EQ(::RegSetValueExW(product.get(), L"Setting", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4),
                  ERROR_SUCCESS);
    }
    forget_run_folder(key, first);
    EXPECT_TRUE(tal::open_key(HKEY_LOCAL_MACHINE, key.c_str(), KEY_READ));
    forget_run_folder(key, second);
    EXPECT_FALSE(tal::open_key(HKEY_LOCAL_MACHINE, key.c_str(), KEY_READ));
    EXPECT_TRUE(tal::open_key(HKEY_LOCAL_MACHINE, (top + L"\\Product").c_str(), KEY_READ));
    ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, (top + L"\\Product").c_str());
    ASSERT_TRUE(tal::open_key(HKEY_LOCAL_MACHINE, top.c_str(), KEY_READ));
    ASSERT_EQ(record_run_folder(key, first), static_cast<DWORD>(ERROR_SUCCESS));
    forget_run_folder(key, first);
    EXPECT_FALSE(tal::open_key(HKEY_LOCAL_MACHINE, top.c_str(), KEY_READ));
    ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, top.c_str());
}

} // namespace

namespace {

// The values of `key`: name -> type and bytes.
std::map<std::wstring, std::pair<DWORD, std::string>> values_of(HKEY key)
{
    std::map<std::wstring, std::pair<DWORD, std::string>> values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256] = {};
        DWORD name_size = 256, type = 0, size = 4096;
        std::string data(size, '\0');
        if (::RegEnumValueW(key, index, name, &name_size, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                            &size)
            != ERROR_SUCCESS)
            break;
        data.resize(size);
        values[name] = {type, data};
    }
    return values;
}

class InterruptedKey : public InterruptedRun {
protected:
    void TearDown() override { ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, product_key().c_str()); }
    std::wstring product_key() const
    {
        return std::wstring(uninstall_key_parent) + L"\\" + journal.product_key_name();
    }
    tal::unique_hkey open_product(bool create)
    {
        HKEY raw = nullptr;
        if (create)
            ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, product_key().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw,
                              nullptr);
        else
            ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, product_key().c_str(), 0, KEY_ALL_ACCESS, &raw);
        return tal::unique_hkey(raw);
    }
};

TEST_F(InterruptedKey, AReplacedKeyGetsItsValuesBackAndANewOneGoes)
{
    {
        const tal::unique_hkey key = open_product(true);
        ASSERT_TRUE(key);
        const wchar_t name[] = L"Vantrel 7.04";
        ::RegSetValueExW(key.get(), L"DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name), sizeof name);
        const DWORD number = 7;
        ::RegSetValueExW(key.get(), L"TalLanguage", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
    }
    const auto saved = values_of(open_product(false).get());
    const std::wstring log = install + L"\\Uninstall.ulog";
    test::write_text(log, "the previous log");
    before = tree();
    start();
    change();
    journal.CloseEntry(true);
    journal.NoteUninstallKeyOpening();
    {
        const tal::unique_hkey key = open_product(false);
        journal.BeginUninstallKey(key.get());
        const wchar_t name[] = L"Vantrel";
        ::RegSetValueExW(key.get(), L"DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name), sizeof name);
        ::RegSetValueExW(key.get(), L"UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(name), sizeof name);
        ::RegDeleteValueW(key.get(), L"TalLanguage");
    }
    // The previous uninstall log kept, the new one half written, then the process dies.
    const std::wstring kept = MakeBackup(run_folder, log.c_str(), true);
    ASSERT_FALSE(kept.empty());
    file->Log(log, kept);
    test::write_text(log, "half a new log");
    die();
    DWORD error = 0;
    EXPECT_EQ(recover_run(run_folder, journal.product_key_name(), error), run_recovery::undone);
    EXPECT_EQ(values_of(open_product(false).get()), saved);
    EXPECT_EQ(tree(), before);

    // A key that the run made is deleted.
    ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, product_key().c_str());
    ASSERT_EQ(tal::create_protected_folder(run_folder), static_cast<DWORD>(ERROR_SUCCESS));
    start();
    journal.NoteUninstallKeyOpening();
    open_product(true);
    journal.BeginUninstallKey(nullptr);
    die();
    EXPECT_EQ(recover_run(run_folder, journal.product_key_name(), error), run_recovery::undone);
    EXPECT_FALSE(open_product(false));
}

} // namespace
