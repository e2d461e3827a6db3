// The folder browser's own rules: the subfolder it appends and the typed paths it accepts.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/folder_browser.h"

namespace {

using tal::ends_with_components;
using tal::validate_typed_path;
using tal::with_subfolder;

TEST(FolderBrowser, ComponentMatching)
{
    EXPECT_EQ(ends_with_components(L"C:\\Program Files\\Marrowin\\Vantrel 7", L"Vantrel 7"), 1);
    EXPECT_EQ(ends_with_components(L"C:\\Program Files\\Marrowin\\Vantrel 7", L"Marrowin\\Vantrel 7"), 2);
    EXPECT_EQ(ends_with_components(L"C:\\Program Files\\MARROWIN\\vantrel 7\\\\", L"Marrowin\\Vantrel 7"), 2);
    EXPECT_EQ(ends_with_components(L"C:\\Program Files\\Marrowin", L"Marrowin\\Vantrel 7"), 0);
    EXPECT_EQ(ends_with_components(L"Vantrel 7", L"Vantrel 7"), 0); // no more components than the subfolder
    EXPECT_EQ(ends_with_components(L"C:\\Vantrel 7x", L"Vantrel 7"), 0);
    EXPECT_EQ(ends_with_components(L"C:\\X", L""), 0);
}

TEST(FolderBrowser, SubfolderIsAppendedOnce)
{
    EXPECT_EQ(with_subfolder(L"C:\\Program Files", L"Vantrel 7"), L"C:\\Program Files\\Vantrel 7");
    EXPECT_EQ(with_subfolder(L"C:\\Program Files\\Vantrel 7", L"Vantrel 7"), L"C:\\Program Files\\Vantrel 7");
    EXPECT_EQ(with_subfolder(L"C:\\", L"Vantrel 7"), L"C:\\Vantrel 7");
    EXPECT_EQ(with_subfolder(L"D:\\Apps", L"Marrowin\\Vantrel 7"), L"D:\\Apps\\Marrowin\\Vantrel 7");
    // The publisher folder is there already: only the product's folder is added.
    EXPECT_EQ(with_subfolder(L"D:\\Apps\\Marrowin", L"Marrowin\\Vantrel 7"), L"D:\\Apps\\Marrowin\\Vantrel 7");
    EXPECT_EQ(with_subfolder(L"D:\\Apps\\Marrowin\\Vantrel 7", L"Marrowin\\Vantrel 7"), L"D:\\Apps\\Marrowin\\Vantrel 7");
    EXPECT_EQ(with_subfolder(L"D:\\Apps", L""), L"D:\\Apps");
}

TEST(FolderBrowser, SubfolderWithoutComponentsAddsNothing)
{
    for (const wchar_t* subfolder : {L"\\", L"\\\\"})
        EXPECT_EQ(with_subfolder(L"D:\\Apps", subfolder), L"D:\\Apps");
}

TEST(FolderBrowser, SubfolderMakesPathsLongerThanMaxPathWhole)
{
    // The folder the user picks plus the product's folder is never cut to 260 characters.
    const std::wstring deep = L"D:\\" + std::wstring(250, L'd');
    EXPECT_EQ(with_subfolder(deep, L"Marrowin\\Vantrel 7"), deep + L"\\Marrowin\\Vantrel 7");
}

TEST(FolderBrowser, TypedPaths)
{
    std::wstring qualified;
    EXPECT_EQ(validate_typed_path(L"D:", L"", qualified), 0u);
    EXPECT_EQ(qualified, L"D:\\"); // a bare drive letter is that drive's root
    EXPECT_EQ(validate_typed_path(L"  C:\\Padded\\  ", L"", qualified), 0u);
    EXPECT_EQ(qualified, L"C:\\Padded");
    EXPECT_EQ(validate_typed_path(L"C:\\Program Files\\Vantrel 7", L"", qualified), 0u);
    EXPECT_EQ(qualified, L"C:\\Program Files\\Vantrel 7");
    EXPECT_EQ(validate_typed_path(L"C:\\bad*name", L"", qualified), DWORD{ERROR_BAD_PATHNAME});
    EXPECT_EQ(validate_typed_path(L"C:\\bad?name", L"", qualified), DWORD{ERROR_BAD_PATHNAME});
    EXPECT_EQ(validate_typed_path(L"C:\\bad|name", L"", qualified), DWORD{ERROR_BAD_PATHNAME});
    EXPECT_EQ(validate_typed_path(L"C:\\" + std::wstring(300, L'x'), L"", qualified), 0x800700CEu);
}

TEST(FolderBrowser, TypedPathsBelowTheRoot)
{
    wchar_t start_menu[MAX_PATH] = {};
    ASSERT_EQ(::SHGetFolderPathW(nullptr, CSIDL_COMMON_STARTMENU, nullptr, 0, start_menu), S_OK);
    wchar_t before[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, before);
    std::wstring qualified;
    EXPECT_EQ(validate_typed_path(L"Programs\\Marrowin", start_menu, qualified), 0u);
    EXPECT_EQ(qualified, std::wstring(start_menu) + L"\\Programs\\Marrowin");
    EXPECT_EQ(validate_typed_path(L"D:\\Elsewhere", start_menu, qualified), DWORD{ERROR_BAD_PATHNAME});
    wchar_t after[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, after);
    EXPECT_STREQ(after, before); // the current folder is given back
}

} // namespace
