// The archive's byte layout, the CRC, the in-memory streams and the error codes.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <ios>
#include <new>

#include "payload/archive_format.h"
#include "payload/compress_error.h"
#include "payload/crc32.h"
#include "payload/file_error.h"
#include "payload/memstream.h"
#include "payload/platform.h"
#include "test_support.h"

namespace {

using payload::compress_errc;

TEST(Crc32, MatchesTheStandardCheckValuesPieceByPiece)
{
    const std::string check = "123456789";
    payload::crc32 whole;
    whole.update(check.data(), check.size());
    EXPECT_EQ(whole.value(), 0xCBF43926u);
    EXPECT_EQ(payload::crc32().value(), 0u);

    std::string data(100000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 131 + (i >> 9));
    payload::crc32 pieces;
    for (std::size_t at = 0; at < data.size(); at += 777)
        pieces.update(data.data() + at, std::min<std::size_t>(777, data.size() - at));
    EXPECT_EQ(pieces.value(), test::reference_crc32(data));
}

TEST(Crc32, OfAFileAndOfAMissingFile)
{
    test::temp_folder folder;
    // Within one read, exactly one, and across several with a remainder.
    for (const std::size_t size : {std::size_t{10000}, std::size_t{65536}, std::size_t{3 * 65536 + 123}}) {
        std::string data(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            data[i] = static_cast<char>(i * 7 + (i >> 16));
        test::write_file(folder.path() / "f.bin", data);
        EXPECT_EQ(payload::file_crc32(folder.wide(L"f.bin")), test::reference_crc32(data)) << size;
    }
    test::write_file(folder.path() / "empty.bin", "");
    EXPECT_EQ(payload::file_crc32(folder.wide(L"empty.bin")), 0u);

    try {
        payload::file_crc32(folder.wide(L"missing.bin"));
        FAIL() << "a missing file has no CRC";
    } catch (const payload::file_error& e) {
        EXPECT_EQ(e.path(), folder.wide(L"missing.bin"));
#ifdef _WIN32
        EXPECT_EQ(e.code(), std::error_code(2, std::system_category()));
#else
        EXPECT_EQ(e.code(), std::error_code(ENOENT, std::generic_category()));
#endif
    }
}

TEST(ArchiveFormat, HeaderRoundTripWithNonAsciiNames)
{
    std::vector<payload::archive_entry> entries(2);
    entries[0] = {L"C:\\Sources\\Caf\u00e9.txt", L"<InstallPath>\\Docs", 3, 123456789012ull, 0xDEADBEEF};
    entries[1] = {L"C:\\\u05e9\u05dc\u05d5\u05dd.dll", L"<Temporary>", 5, 0, 0};
    const std::string header = payload::encode_header(entries);

    ASSERT_EQ(payload::read_u64(header.data()), header.size());
    const auto decoded = payload::decode_directory(header.data(), header.size());
    ASSERT_EQ(decoded.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(decoded[i].source, entries[i].source);
        EXPECT_EQ(decoded[i].destination, entries[i].destination);
        EXPECT_EQ(decoded[i].kind, entries[i].kind);
        EXPECT_EQ(decoded[i].size, entries[i].size);
        EXPECT_EQ(decoded[i].crc, entries[i].crc);
    }
}

TEST(ArchiveFormat, MatchesHandWrittenBytes)
{
    test::archive_bytes archive;
    archive.add(L"a\\b.txt", L"<InstallPath>", "hello", 2);
    std::vector<payload::archive_entry> entries{{L"a\\b.txt", L"<InstallPath>", 2, 5, test::reference_crc32("hello")}};
    EXPECT_EQ(payload::encode_header(entries), archive.header());
}

TEST(ArchiveFormat, NumbersPastTheHeaderReadAsZero)
{
    test::archive_bytes archive;
    archive.add(L"abcdefghij", L"<InstallPath>", "first", 1).add(L"s", L"d", "12345", 4);
    std::string header = archive.header();
    // Cut the last entry's size and CRC off: they read as zeros, the rest is intact.
    header.resize(header.size() - 12);
    const auto decoded = payload::decode_directory(header.data(), header.size());
    ASSERT_EQ(decoded.size(), 2u);
    EXPECT_EQ(decoded[0].size, 5u);
    EXPECT_EQ(decoded[1].source, L"s");
    EXPECT_EQ(decoded[1].kind, 4u);
    EXPECT_EQ(decoded[1].size, 0u);
    EXPECT_EQ(decoded[1].crc, 0u);
}

TEST(ArchiveFormat, CountsAndStringsThatCannotFitAreRejected)
{
    test::archive_bytes archive;
    archive.add(L"s", L"d", "12345");
    std::string header = archive.header();
    std::string too_many = header;
    too_many[8] = 2;
    std::string too_long = header;
    too_long[12] = 100;
    for (const std::string* bad : {&too_many, &too_long}) {
        try {
            payload::decode_directory(bad->data(), bad->size());
            ADD_FAILURE() << "accepted a directory that does not fit";
        } catch (const std::system_error& e) {
            EXPECT_EQ(e.code(), make_error_code(compress_errc::unexpected_error));
        }
    }
}

TEST(ArchiveFormat, SurrogatePairsSurviveTheRoundTrip)
{
    std::wstring text;
    if constexpr (sizeof(wchar_t) == 4)
        text = L"\U0001F600x";
    else
        text = std::wstring{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00), L'x'};
    const std::string utf16 = payload::to_utf16le(text);
    EXPECT_EQ(utf16, std::string("\x3d\xd8\x00\xde\x78\x00", 6));
    EXPECT_EQ(payload::from_utf16le(utf16.data(), utf16.size() / 2), text);
}

TEST(MemStream, ReadsAndSeeksOverCallerMemory)
{
    const char bytes[] = "0123456789";
    tal::imemstream in(bytes, 10);
    char got[8] = {};
    EXPECT_EQ(in.read(got, 3), 3u);
    EXPECT_EQ(std::string(got, 3), "012");
    EXPECT_EQ(in.position(), std::optional<std::uint64_t>(3));
    ASSERT_TRUE(in.seek(8));
    EXPECT_EQ(in.read(got, sizeof got), 2u); // short only at the end
    EXPECT_EQ(std::string(got, 2), "89");
    EXPECT_EQ(in.read(got, sizeof got), 0u);
    EXPECT_TRUE(in.seek(10));
    EXPECT_FALSE(in.seek(11));
    EXPECT_EQ(in.position(), std::optional<std::uint64_t>(10)); // a refused seek leaves it
    ASSERT_TRUE(in.seek(0));
    EXPECT_EQ(in.read(got, 1), 1u);
    EXPECT_EQ(got[0], '0');
    EXPECT_EQ(in.data(), bytes);
    EXPECT_EQ(in.size(), 10u);

    tal::imemstream copied(in);
    EXPECT_EQ(copied.read(got, 1), 1u);
    EXPECT_EQ(got[0], '1');

    tal::imemstream empty;
    EXPECT_EQ(empty.read(got, sizeof got), 0u);
    EXPECT_EQ(empty.position(), std::optional<std::uint64_t>(0));
    EXPECT_TRUE(empty.seek(0));
    EXPECT_FALSE(empty.seek(1));
}

TEST(CompressCategory, NamesAndMessages)
{
    const std::error_category& category = payload::compress_category();
    EXPECT_STREQ(category.name(), "compress");
    EXPECT_EQ(&category, &payload::compress_category());
    const std::vector<std::pair<int, std::string>> messages{
        {0, "unknown error"},    {2, "unknown error"}, {3, "invalid checksum"}, {4, "unknown error"},
        {5, "interrupted"},      {6, "bzip2 error"},   {7, "unexpected error"}, {8, "unknown error"}};
    for (const auto& [value, text] : messages)
        EXPECT_EQ(category.message(value), text) << value;
}

TEST(ErrorConversion, EachKindOfFailureGivesItsCode)
{
    payload::platform::clear_runtime_errors();
    EXPECT_EQ(payload::to_error_code(payload::bzip2_failure(-4)), make_error_code(compress_errc::bzip2_error));
    EXPECT_EQ(payload::to_error_code(std::system_error(make_error_code(compress_errc::archive_damaged))),
              make_error_code(compress_errc::archive_damaged));
    EXPECT_EQ(payload::to_error_code(std::ios_base::failure("broken")), std::make_error_code(std::io_errc::stream));
    const std::filesystem::filesystem_error fs("x", std::error_code(5, std::system_category()));
    EXPECT_EQ(payload::to_error_code(fs), std::error_code(5, std::system_category()));
    const payload::file_error file("x", L"y", std::error_code(32, std::system_category()));
    EXPECT_EQ(payload::to_error_code(file), std::error_code(32, std::system_category()));
    EXPECT_EQ(payload::to_error_code(std::bad_alloc()), make_error_code(compress_errc::unexpected_error));
    EXPECT_EQ(payload::to_error_code(std::length_error("long")), make_error_code(compress_errc::unexpected_error));

    // A stream failure takes the runtime's record of what went wrong, when it has one.
    errno = EACCES;
    EXPECT_EQ(payload::to_error_code(std::ios_base::failure("denied")), std::error_code(EACCES, std::generic_category()));
    payload::platform::clear_runtime_errors();
}

TEST(ErrorConversion, TextsShownToTheUser)
{
    EXPECT_EQ(payload::error_code_text(std::error_code(112, std::system_category())), "1:00000070");
    EXPECT_EQ(payload::error_code_text(std::error_code(32, std::system_category())), "1:00000020");
    EXPECT_EQ(payload::error_code_text(std::error_code(13, std::generic_category())), "2:0000000D");
    EXPECT_EQ(payload::error_code_text(make_error_code(compress_errc::invalid_checksum)), "3");
    EXPECT_EQ(payload::error_code_text(make_error_code(compress_errc::archive_damaged)), "4");
    EXPECT_EQ(payload::error_code_text(std::make_error_code(std::io_errc::stream)), "7");
}

} // namespace
