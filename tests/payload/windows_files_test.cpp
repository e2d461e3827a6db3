// Files that other processes hold, and read-only files, on Windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>

#include "payload/compress_error.h"
#include "payload/crc32.h"
#include "payload/extract.h"
#include "payload/file_error.h"
#include "payload/memstream.h"
#include "decoders.h"
#include "helper_process.h"
#include "test_support.h"

namespace {

// Another process that holds `path` for `milliseconds`, from the moment it is built.
class holder {
public:
    holder(const std::wstring& path, unsigned milliseconds)
        : process_(L"hold_file.exe", L"\"" + path + L"\" " + std::to_wstring(milliseconds)) {}

private:
    test::helper_process process_;
};

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(HeldFiles, VerificationWaitsForAFileThatIsReleased)
{
    test::temp_folder folder;
    const std::wstring path = folder.wide(L"busy.bin");
    test::write_file(test::to_path(path), "held for a moment");
    const holder hold(path, 1500);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(payload::file_crc32(path), test::reference_crc32("held for a moment"));
    EXPECT_GE(seconds_since(start), 0.9);
}

TEST(HeldFiles, VerificationGivesUpAfterThreeWaits)
{
    test::temp_folder folder;
    const std::wstring path = folder.wide(L"busy.bin");
    const holder hold(path, 60000);
    const auto start = std::chrono::steady_clock::now();
    try {
        payload::file_crc32(path);
        FAIL() << "read a file that another process holds";
    } catch (const payload::file_error& e) {
        EXPECT_EQ(e.code(), std::error_code(ERROR_SHARING_VIOLATION, std::system_category()));
        EXPECT_EQ(e.path(), path);
    }
    const double elapsed = seconds_since(start);
    EXPECT_GE(elapsed, 2.9);
    EXPECT_LT(elapsed, 10.0);
}

class HeldFileExtraction : public ::testing::TestWithParam<test::decoder> {};
INSTANTIATE_TEST_SUITE_P(BothDecoders, HeldFileExtraction, test::both_decoders(), test::decoder_name);

TEST_P(HeldFileExtraction, TargetHeldByAnotherProcessFailsTheExtraction)
{
    test::temp_folder folder;
    const std::wstring target = folder.wide(L"Vantrel.exe");
    const holder hold(target, 60000);
    test::archive_bytes archive;
    archive.add(L"Vantrel.exe", L"<InstallPath>", "program");
    const std::string compressed = test::compress(archive.bytes());
    tal::imemstream source(compressed.data(), compressed.size());
    test::recorder log;

    EXPECT_FALSE(payload::extract_archive(source, {folder.wide(), L"", L""}, log.callback(), GetParam().decoding));

    EXPECT_EQ(log.error, std::error_code(ERROR_SHARING_VIOLATION, std::system_category()));
    EXPECT_EQ(payload::error_code_text(log.error), "1:00000020");
    EXPECT_EQ(log.error_path, target);
}

class ReadOnlyFiles : public ::testing::TestWithParam<test::decoder> {};
INSTANTIATE_TEST_SUITE_P(BothDecoders, ReadOnlyFiles, test::both_decoders(), test::decoder_name);

TEST_P(ReadOnlyFiles, ReadOnlyAttributeIsClearedAndTheFileReplaced)
{
    test::temp_folder folder;
    const std::wstring target = folder.wide(L"Uninstall.exe");
    test::write_file(test::to_path(target), "old uninstaller");
    ASSERT_TRUE(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    test::archive_bytes archive;
    archive.add(L"Uninstall.exe", L"<InstallPath>", "new uninstaller", 2);
    const std::string compressed = test::compress(archive.bytes());
    tal::imemstream source(compressed.data(), compressed.size());
    test::recorder log;

    ASSERT_TRUE(payload::extract_archive(source, {folder.wide(), L"", L""}, log.callback(), GetParam().decoding));

    EXPECT_EQ(test::read_file(test::to_path(target)), "new uninstaller");
    EXPECT_EQ(::GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

} // namespace
