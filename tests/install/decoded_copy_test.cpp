// The archive test's copy of the decoded payload: what it gives back, who else may open it,
// and when it is gone.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "holders/handles.h"
#include "install/decoded_copy.h"
#include "install/payload_check.h"
#include "payload/extract.h"
#include "support/temporary_folder.h"
#include "test_support.h"

namespace {

std::vector<std::wstring> copies_in(const std::wstring& folder)
{
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW data{};
    const tal::unique_hfind find(::FindFirstFileW((folder + L"Vantrel-*.tmp").c_str(), &data));
    if (!find)
        return found;
    do
        found.push_back(folder + data.cFileName);
    while (::FindNextFileW(find.get(), &data));
    return found;
}

std::string read_all(payload::decoded_reader& reader, std::size_t piece)
{
    std::string bytes;
    std::vector<char> buffer(piece);
    while (const std::size_t got = reader.read(buffer.data(), buffer.size()))
        bytes.append(buffer.data(), got);
    return bytes;
}

// Bytes that differ from piece to piece, so that a piece out of place shows.
std::string pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    return bytes;
}

TEST(DecodedCopy, GivesBackWhatWasAppendedAndIsOpenToNobodyElse)
{
    test::temp_folder folder;
    const std::wstring where = folder.wide() + L"\\";
    const std::string bytes = pattern(700 * 1000 + 17); // several of its writes, and a rest
    {
        DecodedCopy copy = DecodedCopy::Create(where, bytes.size());
        ASSERT_TRUE(copy);
        for (std::size_t at = 0; at < bytes.size(); at += 4093)
            copy.Append(bytes.data() + at, std::min<std::size_t>(4093, bytes.size() - at));
        const std::vector<std::wstring> files = copies_in(where);
        ASSERT_EQ(files.size(), 1u);
        const HANDLE other = ::CreateFileW(files[0].c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE
                                           | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(other, INVALID_HANDLE_VALUE);
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

        std::unique_ptr<payload::decoded_reader> reader = copy.TakeReader(1234);
        ASSERT_TRUE(reader);
        EXPECT_EQ(reader->bytes_read(), 0u);
        EXPECT_EQ(read_all(*reader, 4096), bytes);
        EXPECT_EQ(reader->bytes_read(), 1234u);
        // Taken once: the file went with the reader.
        EXPECT_FALSE(copy.TakeReader(1234));
        EXPECT_EQ(copies_in(where).size(), 1u);
    }
    EXPECT_TRUE(copies_in(where).empty());
}

TEST(DecodedCopy, ACopyThatOutgrowsItsRoomIsGivenUp)
{
    test::temp_folder folder;
    const std::wstring where = folder.wide() + L"\\";
    const std::string bytes = pattern(300 * 1000);
    DecodedCopy copy = DecodedCopy::Create(where, bytes.size() - 1);
    ASSERT_TRUE(copy);
    copy.Append(bytes.data(), 1000);
    copy.Append(bytes.data() + 1000, bytes.size() - 1000);
    EXPECT_FALSE(copy);
    EXPECT_FALSE(copy.Finish());
    EXPECT_FALSE(copy.TakeReader(1));
    EXPECT_TRUE(copies_in(where).empty());
}

TEST(DecodedCopy, NoFolderNoCopy)
{
    test::temp_folder folder;
    DecodedCopy copy = DecodedCopy::Create(folder.wide(L"missing") + L"\\", 1 << 20);
    EXPECT_FALSE(copy);
    copy.Append("abc", 3);
    EXPECT_FALSE(copy.TakeReader(1));
}

// The payload check keeps the decoded bytes of a sound payload for the extraction, once, and
// leaves nothing behind for a damaged one.
TEST(DecodedCopy, ThePayloadCheckKeepsTheDecodedBytesOfASoundPayload)
{
    test::archive_bytes archive;
    archive.add(L"Vantrel.exe", L"<InstallPath>", pattern(900 * 1000), 1);
    const std::string decoded = archive.bytes();
    const std::string sound = test::compress_blocks({decoded.substr(0, 400000), decoded.substr(400000)}, 1);
    std::string damaged = sound;
    damaged[damaged.size() / 2] ^= 0x55;
    const std::wstring temporary = tal::system_temporary_folder();
    ASSERT_FALSE(temporary.empty());
    const std::size_t before = copies_in(temporary).size();
    for (const bool background : {false, true}) {
        SCOPED_TRACE(background ? "in the background" : "in line");
        {
            PayloadCheck check(damaged.data(), damaged.size());
            if (background)
                check.Start(THREAD_PRIORITY_BELOW_NORMAL);
            EXPECT_FALSE(check.Sound());
            EXPECT_EQ(copies_in(temporary).size(), before);
        }
        PayloadCheck check(sound.data(), sound.size());
        if (background)
            check.Start(THREAD_PRIORITY_BELOW_NORMAL);
        ASSERT_TRUE(check.Sound());
        EXPECT_EQ(copies_in(temporary).size(), before + 1);
        {
            const std::unique_ptr<payload::decoded_reader> kept = check.OpenDecoded();
            EXPECT_EQ(read_all(*kept, 4096), decoded);
            EXPECT_EQ(kept->bytes_read(), sound.size());
        }
        EXPECT_EQ(copies_in(temporary).size(), before);
        // Asked again, it decodes the payload.
        const std::unique_ptr<payload::decoded_reader> decoder = check.OpenDecoded();
        EXPECT_EQ(read_all(*decoder, 65536), decoded);
        EXPECT_EQ(decoder->bytes_read(), sound.size());
    }
}

} // namespace
