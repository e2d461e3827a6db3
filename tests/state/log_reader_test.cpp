// The uninstall log's reader on hand-made bytes: encodings, the header rules, the entry-line
// grammar and where reading stops.
#include <gtest/gtest.h>

#include <string>

#include "memory_source.h"
#include "state/log_reader.h"

namespace {

std::string utf16(const std::wstring& text, bool bom = true)
{
    std::string bytes = bom ? std::string("\xFF\xFE", 2) : std::string();
    for (const wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

// Latin-1 stands in for the ANSI code page; the folders in `existing` exist.
state::log_record read(const std::string& bytes, std::vector<std::wstring> existing = {L"D:\\Programs\\Vantrel 7"},
                       std::size_t fail_at = std::string::npos)
{
    test::memory_source source(bytes, fail_at);
    const state::log_reader_hooks hooks{[](std::string_view b) {
                                            std::wstring wide;
                                            for (const char c : b)
                                                wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
                                            return wide;
                                        },
                                        [existing](const std::wstring& folder) {
                                            for (const std::wstring& e : existing)
                                                if (e == folder)
                                                    return true;
                                            return false;
                                        }};
    state::log_record record;
    state::read_log_record(source, hooks, record);
    return record;
}

const std::wstring header = L"// Uninstall Log File v1\r\n"
                            L"// ############ WARNING: Do not delete or modify this file. ############\r\n"
                            L"// Install Vantrel 7.05a -- Update (Vantrel 7.04)\r\n"
                            L"// Install Path : D:\\Programs\\Vantrel 7\r\n"
                            L"// Shortcut Path : C:\\Menu\\Vantrel 7\r\n"
                            L"// ------------------------------------\r\n";

TEST(LogReader, Utf16WithByteOrderMark)
{
    const state::log_record r = read(utf16(header + L"0000:00ff:1 -- D:\\Programs\\Vantrel 7\r\n"
                                                     L"0001:0101:1 -- D:\\Programs\\Vantrel 7\\Vantrel.exe\r\n"
                                                     L"0002:0303:0 -- C:\\ProgramData\\Marrowin\\Vantrel\\Styles.vlib\r\n"
                                                     L"0003:05ff:1 -- HKEY_LOCAL_MACHINE\\Software\\X\r\n"
                                                     L"0004:06ff:1 -- HKEY_CLASSES_ROOT\\...\r\n"
                                                     L"0005:07ff:0 -- DirectX 9.0c\r\n"),
                                     {L"D:\\Programs\\Vantrel 7", L"C:\\Menu\\Vantrel 7"});
    EXPECT_EQ(r.title, L"Vantrel 7.05a");
    EXPECT_EQ(r.install_folder, L"D:\\Programs\\Vantrel 7");
    EXPECT_EQ(r.shortcut_folder, L"C:\\Menu\\Vantrel 7");
    ASSERT_EQ(r.entries.size(), 6u);
    EXPECT_EQ(r.entries[0].kind, 0);
    EXPECT_EQ(r.entries[0].value, 0xFFFFFFFFu);
    EXPECT_EQ(r.entries[1].kind, 1);
    EXPECT_EQ(r.entries[1].value, 1u);
    EXPECT_TRUE(r.entries[1].succeeded);
    EXPECT_EQ(r.entries[1].text, L"D:\\Programs\\Vantrel 7\\Vantrel.exe");
    EXPECT_EQ(r.entries[2].value, 3u);
    EXPECT_FALSE(r.entries[2].succeeded);
    EXPECT_EQ(r.entries[5].kind, 7);
    EXPECT_EQ(r.entries[5].text, L"DirectX 9.0c");
}

TEST(LogReader, AnsiWithoutByteOrderMark)
{
    const std::wstring text = header + L"0000:0101:1 -- D:\\Caf\u00e9\\Vantrel.exe\r\n";
    std::string latin1;
    for (const wchar_t c : text)
        latin1 += static_cast<char>(c);
    const state::log_record r = read(latin1);
    EXPECT_EQ(r.title, L"Vantrel 7.05a");
    ASSERT_EQ(r.entries.size(), 1u);
    EXPECT_EQ(r.entries[0].text, L"D:\\Caf\u00e9\\Vantrel.exe");
}

TEST(LogReader, Utf8WithByteOrderMarkYieldsNothing)
{
    std::string utf8 = "\xEF\xBB\xBF";
    for (const wchar_t c : header + L"0000:0101:1 -- D:\\x.exe\r\n")
        utf8 += static_cast<char>(c);
    const state::log_record r = read(utf8);
    EXPECT_FALSE(r.title_read);
    EXPECT_TRUE(r.entries.empty());
}

TEST(LogReader, DamagedHeaderLinesStopBeforeTheEntries)
{
    const std::vector<std::pair<std::wstring, std::wstring>> damage{
        {L"Uninstall Log File v1", L"Uninstall Log File v2"},
        {L"Uninstall Log File v1", L"Uninstall Journal v1"},
        {L"// Install Vantrel", L"// Setup Vantrel"},
        {L"Install Path : ", L"Install Folder: "},
        {L"Shortcut Path : ", L"Shortcuts: "}};
    for (const auto& [from, to] : damage) {
        std::wstring text = header + L"0000:0101:1 -- D:\\x.exe\r\n";
        text.replace(text.find(from), from.size(), to);
        const state::log_record r = read(utf16(text));
        EXPECT_TRUE(r.entries.empty()) << std::string(to.begin(), to.end());
    }
    // A damaged shortcut line keeps what came before it.
    std::wstring text = header;
    text.replace(text.find(L"Shortcut Path : "), 16, L"Shortcuts: ");
    const state::log_record r = read(utf16(text));
    EXPECT_EQ(r.title, L"Vantrel 7.05a");
    EXPECT_EQ(r.install_folder, L"D:\\Programs\\Vantrel 7");
}

TEST(LogReader, DamagedEntryLineKeepsTheEntriesBeforeIt)
{
    const std::vector<std::wstring> bad{L"0001:0101:2 -- x",  L"0001;0101:1 -- x",  L"0001:0801:1 -- x",
                                        L"-001:0101:1 -- x",  L"0001:0101:1 - x",   L"0001:0101:1 --x",
                                        L"x001:0101:1 -- x",  L"0001::1 -- x",      L"0001:0101:1"};
    for (const std::wstring& line : bad) {
        const state::log_record r =
            read(utf16(header + L"0000:0101:1 -- D:\\a.exe\r\n" + line + L"\r\n0002:0101:1 -- D:\\b.exe\r\n"));
        ASSERT_EQ(r.entries.size(), 1u) << std::string(line.begin(), line.end());
        EXPECT_EQ(r.entries[0].text, L"D:\\a.exe");
    }
}

TEST(LogReader, TrailingBlanksAndFoldersThatAreGone)
{
    std::wstring text = header;
    text.replace(text.find(L"Vantrel 7\r\n"), 11, L"Vantrel 7  \t \r\n");
    state::log_record r = read(utf16(text));
    EXPECT_EQ(r.install_folder, L"D:\\Programs\\Vantrel 7"); // blanks inside kept, trailing ones not
    EXPECT_EQ(r.shortcut_folder, L"");                         // no longer exists
    r = read(utf16(header), {});
    EXPECT_EQ(r.install_folder, L"");
    EXPECT_EQ(r.title, L"Vantrel 7.05a");
}

TEST(LogReader, PositionsOfFiveDigitsAndSpacing)
{
    const state::log_record r = read(utf16(header + L"10000:0101:1 -- D:\\a.exe\r\n"
                                                     L"  10001 : 0004 : 1   --   D:\\b c.txt  \r\n"));
    ASSERT_EQ(r.entries.size(), 2u);
    EXPECT_EQ(r.entries[1].kind, 0);
    EXPECT_EQ(r.entries[1].value, 4u);
    EXPECT_EQ(r.entries[1].text, L"D:\\b c.txt");
}

TEST(LogReader, LineLongerThanTheBufferStopsThere)
{
    // 600 characters: 1,204 bytes with the line end, beyond the 1,024-byte buffer. The reader
    // stops at such a line and keeps what came before.
    const std::wstring long_path = L"D:\\" + std::wstring(600, L'x');
    const state::log_record r = read(utf16(header + L"0000:0101:1 -- D:\\a.exe\r\n0001:0101:1 -- " + long_path
                                           + L"\r\n0002:0101:1 -- D:\\b.exe\r\n"));
    ASSERT_EQ(r.entries.size(), 1u);
    EXPECT_EQ(r.entries[0].text, L"D:\\a.exe");
    // The longest line the writer produces still fits.
    const std::wstring longest = L"D:\\" + std::wstring(256, L'y');
    EXPECT_EQ(read(utf16(header + L"0000:0101:1 -- " + longest + L"\r\n")).entries.at(0).text, longest);
}

TEST(LogReader, CharactersWhoseLowByteIsALineFeed)
{
    // U+4E0A and U+010A end in the byte 0x0A; they are characters, not line ends.
    const std::wstring path = L"D:\\\u4E0A\u010A\\a.exe";
    const state::log_record r = read(utf16(header + L"0000:0101:1 -- " + path + L"\r\n0001:0101:1 -- D:\\b.exe\r\n"));
    ASSERT_EQ(r.entries.size(), 2u);
    EXPECT_EQ(r.entries[0].text, path);
}

TEST(LogReader, FailedReadKeepsWhatWasRead)
{
    const std::string bytes = utf16(header + L"0000:0101:1 -- D:\\a.exe\r\n0001:0101:1 -- D:\\b.exe\r\n");
    const state::log_record r = read(bytes, {L"D:\\Programs\\Vantrel 7"}, bytes.size() - 10);
    ASSERT_EQ(r.entries.size(), 1u);
    EXPECT_EQ(r.title, L"Vantrel 7.05a");
}

TEST(LogReader, EmptyAndTruncatedFiles)
{
    EXPECT_TRUE(read("").entries.empty());
    EXPECT_FALSE(read("").title_read);
    const std::string cut = utf16(header + L"0000:0101:1 -- D:\\a.exe");
    const state::log_record r = read(cut + "\x0d"); // an odd byte at the end
    ASSERT_EQ(r.entries.size(), 1u);
    EXPECT_EQ(r.entries[0].text, L"D:\\a.exe");
}

} // namespace
