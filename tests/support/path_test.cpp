// The path helpers on strings: roots kept whole, nothing ever cut.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/path.h"

namespace {

struct one_path {
    std::wstring path;
    std::wstring expected;
};

struct two_paths {
    std::wstring folder;
    std::wstring more;
    std::wstring expected;
};

std::string narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

TEST(Path, QuoteSpaces)
{
    const std::vector<one_path> cases{
        {L"C:\\Program Files\\Vantrel 7\\Uninstall.exe", L"\"C:\\Program Files\\Vantrel 7\\Uninstall.exe\""},
        {L"C:\\Apps\\Uninstall.exe", L"C:\\Apps\\Uninstall.exe"},
        {L"\"C:\\Program Files\\x.exe\"", L"\"C:\\Program Files\\x.exe\""}, // quoted already
        {L"a b", L"\"a b\""},
        {L"", L""},
        {std::wstring(258, L'x') + L" y", L"\"" + std::wstring(258, L'x') + L" y\""}, // never cut
    };
    for (const one_path& c : cases)
        EXPECT_EQ(tal::quote_spaces(c.path), c.expected) << narrow(c.path);
}

TEST(Path, RemoveFileSpec)
{
    const std::vector<one_path> cases{
        {L"C:\\Program Files\\Vantrel 7\\Vantrel.exe", L"C:\\Program Files\\Vantrel 7"},
        {L"C:\\Vantrel.exe", L"C:\\"},
        {L"C:\\", L"C:\\"}, // a drive root stays whole
        {L"C:", L"C:"},
        {L"C:file.txt", L"C:"},
        {L"\\\\server\\share\\folder\\file.txt", L"\\\\server\\share\\folder"},
        {L"\\\\server\\share\\file.txt", L"\\\\server\\share\\"}, // a share stays whole
        {L"\\\\server\\share", L"\\\\server\\share"},
        {L"C:\\a\\b\\", L"C:\\a"}, // trailing backslashes belong to the last element
        {L"C:\\a\\b\\\\", L"C:\\a"},
        {L"C:\\a\\\\b", L"C:\\a"},
        {L"C:/a/b", L"C:/a"},
        {L"\\a", L"\\"},
        {L"file.txt", L""}, // one element: no folder part
        {L"a\\b", L"a"},
        {L"", L""},
    };
    for (const one_path& c : cases)
        EXPECT_EQ(tal::remove_file_spec(c.path), c.expected) << narrow(c.path);
}

TEST(Path, AppendPath)
{
    const std::vector<two_paths> cases{
        {L"C:\\Apps", L"Vantrel 7", L"C:\\Apps\\Vantrel 7"},
        {L"C:\\Apps\\", L"Vantrel 7", L"C:\\Apps\\Vantrel 7"},
        {L"C:\\Apps", L"\\Vantrel 7", L"C:\\Apps\\Vantrel 7"},
        {L"C:\\Apps\\", L"\\\\Vantrel 7", L"C:\\Apps\\Vantrel 7"},
        {L"C:\\", L"Vantrel 7", L"C:\\Vantrel 7"},
        {L"C:", L"Vantrel 7", L"C:\\Vantrel 7"},
        {L"\\\\server\\share", L"x", L"\\\\server\\share\\x"},
        {L"", L"Vantrel 7", L"Vantrel 7"},
        {L"C:\\Apps", L"", L"C:\\Apps"}, // nothing to append: no trailing backslash either
        {L"C:\\Apps", L"\\", L"C:\\Apps"},
        {L"C:\\Apps", L"Lang\\Vantrel.de.dll", L"C:\\Apps\\Lang\\Vantrel.de.dll"},
        // Longer than MAX_PATH: the whole path, the caller decides whether it fits.
        {L"C:\\" + std::wstring(255, L'd'), L"file.txt", L"C:\\" + std::wstring(255, L'd') + L"\\file.txt"},
    };
    for (const two_paths& c : cases)
        EXPECT_EQ(tal::append_path(c.folder, c.more), c.expected) << narrow(c.folder) << " + " << narrow(c.more);
}

TEST(Path, CombineKeepsAFullSecondPath)
{
    const std::vector<two_paths> cases{
        {L"C:\\Start Menu", L"Programs\\Marrowin", L"C:\\Start Menu\\Programs\\Marrowin"},
        {L"C:\\Start Menu", L"D:\\Elsewhere", L"D:\\Elsewhere"},
        {L"C:\\Start Menu", L"\\\\server\\share\\x", L"\\\\server\\share\\x"},
        {L"", L"Programs", L"Programs"},
    };
    for (const two_paths& c : cases)
        EXPECT_EQ(tal::combine_path(c.folder, c.more), c.expected) << narrow(c.folder) << " + " << narrow(c.more);
}

TEST(Path, Root)
{
    const std::vector<one_path> cases{
        {L"D:\\Windows", L"D:\\"},     {L"D:\\", L"D:\\"},
        {L"D:Windows", L"D:"},         {L"\\\\server\\share\\Windows", L"\\\\server\\share\\"},
        {L"\\Windows", L"\\"},         {L"Windows", L""},
        {L"", L""},
    };
    for (const one_path& c : cases)
        EXPECT_EQ(tal::path_root(c.path), c.expected) << narrow(c.path);
}

TEST(Path, FullFolderPath)
{
    const std::vector<std::pair<std::wstring, bool>> cases{
        {L"C:\\x", true},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7", true},
        {L"C:\\x\\", true},
        {L"c:/x", true},
        {L"C:\\", false}, // a root alone
        {L"C:", false},
        {L"C:x", false}, // relative to the drive's current folder
        {L"relinstall", false},
        {L"x\\y", false},
        {L"\\x", false},
        {L"", false},
        {L"\\\\server\\share", false},
        {L"\\\\server\\share\\", false},
        {L"\\\\server\\share\\x", true},
        {L"\\\\server\\\\x", false},
        {L"x:\\a\\\\b", false}, // an empty element
        {L"C:\\ ", false},
        {L"1:\\x", false},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(tal::is_full_folder_path(path), expected) << narrow(path);
}

TEST(Path, FitsMaxPath)
{
    EXPECT_TRUE(tal::fits_max_path(std::wstring(259, L'x')));
    EXPECT_FALSE(tal::fits_max_path(std::wstring(260, L'x')));
    EXPECT_TRUE(tal::fits_max_path(L""));
}

} // namespace
