// The extraction engine over hand-made archives: what it writes, what it reports, and how
// each failure ends the run.
#include <gtest/gtest.h>

#include "payload/archive_format.h"
#include "payload/archive_writer.h"
#include "payload/compress_error.h"
#include "payload/extract.h"
#include "payload/memstream.h"
#include "payload/platform.h"
#include "decoders.h"
#include "test_support.h"

namespace {

using payload::compress_errc;
using payload::notification;
using result = notification::result;

struct run_result {
    bool ok;
    test::recorder log;
};

// Folders for one test and the engine run with the decoder the test is given.
class EngineFixture {
protected:
    virtual ~EngineFixture() = default;
    virtual payload::bzip2_decoding decoding() const = 0;

    run_result extract(const std::string& compressed, const payload::destination_roots& to,
                       std::function<result(const notification&)> answer = {}) const
    {
        run_result r{false, {}};
        r.log.answer = std::move(answer);
        tal::imemstream source(compressed.data(), compressed.size());
        r.ok = payload::extract_archive(source, to, r.log.callback(), decoding());
        return r;
    }

    bool test_archive(payload::byte_source& source) const { return payload::test_archive(source, decoding()); }

    std::filesystem::path target(const std::wstring& below) const { return test::to_path(folder.wide(below)); }

    test::temp_folder folder;
    payload::destination_roots roots{folder.wide(L"app"), L"", folder.wide(L"tmp")};
};

class ExtractTest : public EngineFixture, public ::testing::TestWithParam<test::decoder> {
protected:
    payload::bzip2_decoding decoding() const override { return GetParam().decoding; }
};

INSTANTIATE_TEST_SUITE_P(BothDecoders, ExtractTest, test::both_decoders(), test::decoder_name);

// A table of cases, each run over both decoders.
template <class Case>
class CaseTest : public EngineFixture, public ::testing::TestWithParam<std::tuple<Case, test::decoder>> {
protected:
    const Case& the_case() const { return std::get<0>(this->GetParam()); }
    payload::bzip2_decoding decoding() const override { return std::get<1>(this->GetParam()).decoding; }
};

template <class Case>
std::string case_name(const ::testing::TestParamInfo<std::tuple<Case, test::decoder>>& info)
{
    return std::string(std::get<0>(info.param).name) + std::get<1>(info.param).name;
}

TEST_P(ExtractTest, WritesEveryFileAndReportsEachStep)
{
    test::archive_bytes archive;
    archive.add(L"C:\\Dev\\Files\\Vantrel.exe", L"<InstallPath>", std::string(10000, 'x'))
        .add(L"C:\\Dev\\Files\\Empty.lib", L"<InstallPath>\\Lib", "")
        .add(L"/build/Lang/Vantrel.en.dll", L"<InstallPath>/Lang", "english")
        .add(L"D:\\DSETUP.dll", L"<Temporary>", "setup", 5);
    const std::string raw = archive.bytes();
    const std::string compressed = test::compress(raw);

    const run_result r = extract(compressed, roots);

    ASSERT_TRUE(r.ok);
    const std::vector<std::string> expected{"started",         "progress", "begin Vantrel.exe",
                                            "progress",        "end Vantrel.exe", "begin Empty.lib",
                                            "progress",        "end Empty.lib", "begin Vantrel.en.dll",
                                            "progress",        "end Vantrel.en.dll", "begin DSETUP.dll",
                                            "progress",        "end DSETUP.dll", "finished"};
    EXPECT_EQ(r.log.events, expected);
    EXPECT_EQ(test::read_file(target(L"app/Vantrel.exe")), std::string(10000, 'x'));
    EXPECT_EQ(test::read_file(target(L"app/Lib/Empty.lib")), "");
    EXPECT_EQ(test::read_file(target(L"app/Lang/Vantrel.en.dll")), "english");
    EXPECT_EQ(test::read_file(target(L"tmp/DSETUP.dll")), "setup");
    EXPECT_EQ(r.log.paths[2], folder.wide(L"app") + payload::platform::path_separator + L"Lang"
                                  + payload::platform::path_separator + L"Vantrel.en.dll");
    EXPECT_EQ(r.log.first_progress, archive.header().size());
    EXPECT_EQ(r.log.last_progress, raw.size());
    EXPECT_EQ(r.log.bytes_total, raw.size());
    EXPECT_EQ(r.log.bytes_read, compressed.size());
}

TEST_P(ExtractTest, ProgressCountsEveryByteOfLargeFiles)
{
    std::string big(200000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>((i * 7919) >> 3);
    test::archive_bytes archive;
    archive.add(L"big.bin", L"<InstallPath>", big);
    std::uint64_t calls = 0, previous = 0;
    bool monotonic = true;
    const run_result r = extract(test::compress(archive.bytes()), roots, [&](const notification& n) {
        if (n.kind == notification::progress) {
            ++calls;
            monotonic = monotonic && n.bytes_done >= previous;
            previous = n.bytes_done;
        }
        return result::proceed;
    });
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(monotonic);
    // One report for the directory, then about one per 4096 bytes of data.
    EXPECT_GE(calls, 1 + big.size() / 4096);
    EXPECT_EQ(test::read_file(target(L"app/big.bin")), big);
}

TEST_P(ExtractTest, EmptyEntriesAfterTheLastDataAreStillCreated)
{
    test::archive_bytes archive;
    archive.add(L"a.txt", L"<InstallPath>", "alpha").add(L"b.lib", L"<InstallPath>", "").add(L"c.lib", L"<InstallPath>", "");
    test::write_file(target(L"app/c.lib"), "old content to be emptied");

    const run_result r = extract(test::compress(archive.bytes()), roots);

    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.log.count("end "), 3);
    EXPECT_EQ(r.log.events.back(), "finished");
    EXPECT_TRUE(std::filesystem::exists(target(L"app/b.lib")));
    EXPECT_EQ(test::read_file(target(L"app/c.lib")), "");
}

TEST_P(ExtractTest, ArchiveOfOnlyEmptyEntriesOrNoEntries)
{
    test::archive_bytes empties;
    empties.add(L"x.lib", L"<InstallPath>\\Lib", "").add(L"y.lib", L"<InstallPath>\\Lib", "");
    run_result r = extract(test::compress(empties.bytes()), roots);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.log.count("end "), 2);
    EXPECT_TRUE(std::filesystem::exists(target(L"app/Lib/y.lib")));

    const test::archive_bytes nothing;
    ASSERT_EQ(nothing.bytes().size(), 12u);
    r = extract(test::compress(nothing.bytes()), {folder.wide(L"other"), L"", L""});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.log.events, (std::vector<std::string>{"started", "progress", "finished"}));
    EXPECT_EQ(r.log.bytes_total, 12u);
    EXPECT_FALSE(std::filesystem::exists(target(L"other")));
}

TEST_P(ExtractTest, SkippedEntryLeavesTheTargetAloneButCountsItsBytes)
{
    test::archive_bytes archive;
    archive.add(L"keep.bmp", L"<InstallPath>", std::string(9000, 'n')).add(L"next.txt", L"<InstallPath>", "next");
    test::write_file(target(L"app/keep.bmp"), "user's own picture");
    const std::string raw = archive.bytes();

    const run_result r = extract(test::compress(raw), roots, [](const notification& n) {
        const bool keep = n.kind == notification::file_begin && test::narrow(n.entry->destination).find("keep") != std::string::npos;
        return keep ? result::skip : result::proceed;
    });

    ASSERT_TRUE(r.ok);
    EXPECT_EQ(test::read_file(target(L"app/keep.bmp")), "user's own picture");
    EXPECT_EQ(r.log.count("end keep"), 0);
    EXPECT_EQ(r.log.count("end next"), 1);
    EXPECT_EQ(r.log.last_progress, raw.size());
}

TEST_P(ExtractTest, UnknownAnswersActAsProceedAndSkipIsIgnoredOutsideFileBegin)
{
    test::archive_bytes archive;
    archive.add(L"a.txt", L"<InstallPath>", "alpha");
    const run_result r = extract(test::compress(archive.bytes()), roots, [](const notification& n) {
        return n.kind == notification::file_begin ? static_cast<result>(42) : result::skip;
    });
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(test::read_file(target(L"app/a.txt")), "alpha");
}

struct abort_case {
    const char* name;
    notification::kind_type at;
    int occurrence; // which notification of that kind answers abort (1-based)
    bool path_expected;
};

void PrintTo(const abort_case& c, std::ostream* os)
{
    *os << c.name;
}

using AbortTest = CaseTest<abort_case>;

TEST_P(AbortTest, StopsWithInterruptedAndTheRightPath)
{
    const abort_case c = the_case();
    test::archive_bytes archive;
    archive.add(L"first.bin", L"<InstallPath>", std::string(10000, 'a')).add(L"second.bin", L"<InstallPath>", "b");
    int seen = 0;
    const run_result r = extract(test::compress(archive.bytes()), roots, [&](const notification& n) {
        return n.kind == c.at && ++seen == c.occurrence ? result::abort : result::proceed;
    });

    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.log.events.back(), "error");
    EXPECT_EQ(r.log.error, make_error_code(compress_errc::interrupted));
    if (c.path_expected)
        EXPECT_EQ(r.log.error_path, folder.wide(L"app") + payload::platform::path_separator + L"first.bin");
    else
        EXPECT_EQ(r.log.error_path, L"");
    EXPECT_EQ(r.log.count("finished"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EachPlace, AbortTest,
    ::testing::Combine(::testing::Values(abort_case{"DirectoryProgress", notification::progress, 1, false},
                                         abort_case{"FileBegin", notification::file_begin, 1, false},
                                         abort_case{"DataProgress", notification::progress, 2, true},
                                         abort_case{"FileEnd", notification::file_end, 1, true}),
                       test::both_decoders()),
    case_name<abort_case>);

TEST_P(ExtractTest, CrcMismatchFailsWithTheTargetAndLeavesTheFile)
{
    test::archive_bytes archive;
    archive.add(L"bad.dll", L"<InstallPath>", "contents");
    archive.back().crc ^= 1;

    const run_result r = extract(test::compress(archive.bytes()), roots);

    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.log.error, make_error_code(compress_errc::invalid_checksum));
    EXPECT_EQ(r.log.error_path, folder.wide(L"app") + payload::platform::path_separator + L"bad.dll");
    EXPECT_EQ(r.log.count("end "), 0);
    EXPECT_EQ(test::read_file(target(L"app/bad.dll")), "contents");
}

TEST_P(ExtractTest, DamagedOrTruncatedCompressionIsABzip2Error)
{
    test::archive_bytes archive;
    std::string data(50000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 31 + (i >> 5));
    archive.add(L"file.bin", L"<InstallPath>", data);
    const std::string good = test::compress(archive.bytes());

    std::string changed = good;
    changed[changed.size() / 2] ^= 0x55;
    const std::string damaged = changed;
    const std::string truncated = good.substr(0, good.size() - 20);
    const std::string trailing = good + "garbage";

    for (const std::string* bad : {&damaged, &truncated, &trailing}) {
        tal::imemstream probe(bad->data(), bad->size());
        EXPECT_FALSE(test_archive(probe));
        const run_result r = extract(*bad, roots);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.log.error, make_error_code(compress_errc::bzip2_error));
    }
    // A stream of two bzip2 blocks cut in the second: the first block's data has begun the
    // entry, so the failure names it.
    test::archive_bytes large;
    large.add(L"large.bin", L"<InstallPath>", std::string(1200000, 'L'));
    const std::string two_blocks = test::compress(large.bytes());
    const run_result r = extract(two_blocks.substr(0, two_blocks.size() - 10), roots);
    EXPECT_EQ(r.log.error, make_error_code(compress_errc::bzip2_error));
    EXPECT_EQ(r.log.error_path, folder.wide(L"app") + payload::platform::path_separator + L"large.bin");

    tal::imemstream sound(good.data(), good.size());
    EXPECT_TRUE(test_archive(sound));
    EXPECT_EQ(sound.position(), std::optional<std::uint64_t>(good.size())); // left at its end
}

TEST_P(ExtractTest, EmptySourceFailsTheTestAndTheExtraction)
{
    tal::imemstream empty;
    EXPECT_FALSE(test_archive(empty));
    const run_result r = extract("", roots);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.log.error, make_error_code(compress_errc::bzip2_error));
}

TEST_P(ExtractTest, ExtractionStartsWhereTheSourceStandsAfterStarted)
{
    test::archive_bytes archive;
    archive.add(L"a.txt", L"<InstallPath>", "alpha");
    const std::string compressed = test::compress(archive.bytes());
    tal::imemstream source(compressed.data(), compressed.size());
    test::recorder log;
    // As the installation page does: test the whole archive, then rewind, at started.
    log.answer = [&](const notification& n) {
        if (n.kind == notification::started) {
            EXPECT_TRUE(test_archive(source));
            EXPECT_TRUE(source.seek(0));
        }
        return result::proceed;
    };
    EXPECT_TRUE(payload::extract_archive(source, roots, log.callback(), decoding()));
    EXPECT_EQ(test::read_file(target(L"app/a.txt")), "alpha");
}

TEST_P(ExtractTest, CallbackFailureAtStartedWritesNothing)
{
    test::archive_bytes archive;
    archive.add(L"a.txt", L"<InstallPath>", "alpha");
    const run_result r = extract(test::compress(archive.bytes()), roots, [](const notification& n) -> result {
        if (n.kind == notification::started)
            throw std::system_error(make_error_code(compress_errc::archive_damaged));
        return result::proceed;
    });
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.log.error, make_error_code(compress_errc::archive_damaged));
    EXPECT_EQ(r.log.error_path, L"");
    EXPECT_FALSE(std::filesystem::exists(target(L"app")));
}

// Archives that lie about themselves: every one ends with unexpected_error.
struct malformed_case {
    const char* name;
    std::function<std::string()> archive;
    bool entry_path; // the error names the unfinished entry
};

void PrintTo(const malformed_case& c, std::ostream* os)
{
    *os << c.name;
}

using MalformedTest = CaseTest<malformed_case>;

std::string header_with_size(std::uint64_t header_size)
{
    std::string bytes;
    for (int i = 0; i < 8; ++i)
        bytes += static_cast<char>((header_size >> (8 * i)) & 0xFF);
    return bytes + std::string(16, '\0');
}

std::string one_file_archive()
{
    test::archive_bytes archive;
    archive.add(L"f.bin", L"<InstallPath>", std::string(5000, 'f'));
    return archive.bytes();
}

// one_file_archive() with its header padded to `header_size` bytes: bytes between the
// directory and the data are allowed and ignored.
std::string one_file_archive_with_header(std::uint64_t header_size)
{
    test::archive_bytes archive;
    archive.add(L"f.bin", L"<InstallPath>", std::string(5000, 'f'));
    std::string header = archive.header();
    header.resize(static_cast<std::size_t>(header_size), '\0');
    for (int i = 0; i < 8; ++i)
        header[i] = static_cast<char>((header_size >> (8 * i)) & 0xFF);
    return header + std::string(5000, 'f');
}

TEST_P(MalformedTest, EndsWithUnexpectedError)
{
    const run_result r = extract(test::compress(the_case().archive()), roots);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.log.error, make_error_code(compress_errc::unexpected_error));
    EXPECT_EQ(r.log.count("finished"), 0);
    if (the_case().entry_path)
        EXPECT_EQ(r.log.error_path, folder.wide(L"app") + payload::platform::path_separator + L"f.bin");
    else
        EXPECT_EQ(r.log.error_path, L"");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedTest,
    ::testing::Combine(::testing::Values(
        malformed_case{"HeaderSizeZero", [] { return header_with_size(0); }, false},
        malformed_case{"HeaderSizeEight", [] { return header_with_size(8); }, false},
        malformed_case{"HeaderSizeEleven", [] { return header_with_size(11); }, false},
        // Well formed but for a header larger than any archive needs.
        malformed_case{"HeaderAboveTheLimit",
                       [] { return one_file_archive_with_header(payload::maximal_header_size + 1); }, false},
        malformed_case{"StreamEndsInsideLengthField", [] { return std::string("\x0c\0\0", 3); }, false},
        malformed_case{"StreamEndsInsideHeader", [] { return one_file_archive().substr(0, 20); }, false},
        malformed_case{"EmptyArchive", [] { return std::string(); }, false},
        malformed_case{"DataStopsBeforeLastEntryEnds",
                       [] {
                           const std::string all = one_file_archive();
                           return all.substr(0, all.size() - 100);
                       },
                       true},
        malformed_case{"DataAfterTheLastEntry", [] { return one_file_archive() + "extra"; }, false},
        malformed_case{"HugeEntryCount",
                       [] {
                           std::string h = header_with_size(40);
                           h.replace(8, 4, "\xff\xff\xff\xff");
                           return h + std::string(16, '\0');
                       },
                       false},
        malformed_case{"HugeStringLength",
                       [] {
                           std::string h = header_with_size(60);
                           h.replace(8, 4, std::string("\x01\0\0\0", 4));
                           h.replace(12, 4, "\xff\xff\xff\x7f");
                           return h + std::string(36, '\0');
                       },
                       false},
        malformed_case{"SizesOverflow",
                       [] {
                           test::archive_bytes archive;
                           archive.add(L"a", L"<InstallPath>", "x").add(L"b", L"<InstallPath>", "y");
                           archive.back().size = ~std::uint64_t{0};
                           return archive.bytes();
                       },
                       false}),
                       test::both_decoders()),
    case_name<malformed_case>);

TEST_P(ExtractTest, LaterEntryWithTheSameNameWins)
{
    test::archive_bytes archive;
    archive.add(L"C:\\one\\same.txt", L"<InstallPath>", "first").add(L"C:\\two\\same.txt", L"<InstallPath>", "second");
    ASSERT_TRUE(extract(test::compress(archive.bytes()), roots).ok);
    EXPECT_EQ(test::read_file(target(L"app/same.txt")), "second");
}

TEST_P(ExtractTest, ReadOnlyTargetIsOverwritten)
{
    const auto path = target(L"app/locked.dll");
    test::write_file(path, "old");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read
                                           | std::filesystem::perms::others_read);
    test::archive_bytes archive;
    archive.add(L"locked.dll", L"<InstallPath>", "new");

    ASSERT_TRUE(extract(test::compress(archive.bytes()), roots).ok);

    EXPECT_EQ(test::read_file(path), "new");
    EXPECT_NE(std::filesystem::status(path).permissions() & std::filesystem::perms::owner_write,
              std::filesystem::perms::none);
}

TEST_P(ExtractTest, FolderThatCannotBeCreatedIsAPlatformError)
{
    test::write_file(target(L"blocker"), "a file where a folder should be");
    payload::destination_roots blocked{folder.wide(L"blocker") + payload::platform::path_separator + L"app", L"", L""};
    test::archive_bytes archive;
    archive.add(L"a.txt", L"<InstallPath>", "alpha");

    const run_result r = extract(test::compress(archive.bytes()), blocked);

    EXPECT_FALSE(r.ok);
#ifdef _WIN32
    EXPECT_EQ(r.log.error.category(), std::system_category());
#else
    EXPECT_EQ(r.log.error, std::error_code(ENOTDIR, std::generic_category()));
#endif
    EXPECT_EQ(r.log.error_path, blocked.install_path + payload::platform::path_separator + L"a.txt");
}

TEST_P(ExtractTest, HeaderOfTheLargestAllowedSizeIsExtracted)
{
    const run_result r = extract(test::compress(one_file_archive_with_header(payload::maximal_header_size)), roots);
    EXPECT_TRUE(r.ok) << payload::error_code_text(r.log.error);
    EXPECT_EQ(test::read_file(target(L"app/f.bin")), std::string(5000, 'f'));
}

// A few compressed bytes can stand for gigabytes of a header that never ends: the size alone
// is refused, before a byte more is asked for or held.
TEST(ArchiveWriter, RefusesAHugeHeaderSizeAtItsFirstEightBytes)
{
    for (const std::uint64_t size : {payload::maximal_header_size + 1, std::uint64_t{1} << 40, ~std::uint64_t{0}}) {
        payload::archive_writer writer(payload::destination_roots{});
        std::string bytes;
        for (int i = 0; i < 8; ++i)
            bytes += static_cast<char>((size >> (8 * i)) & 0xFF);
        try {
            writer.write(bytes.data(), 8);
            ADD_FAILURE() << size << " was taken";
        } catch (const std::system_error& e) {
            EXPECT_EQ(e.code(), make_error_code(compress_errc::unexpected_error)) << size;
        }
    }
}

} // namespace
