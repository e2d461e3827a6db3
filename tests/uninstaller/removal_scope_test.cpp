// What the uninstaller removes, on hand-built folders and links: the product's roots from the
// system's folders and the log's header, and each entry checked against them.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "removal_scope.h"
#include "state_fixture.h"

namespace {

using uninstaller::removal_verdict;

const uninstaller::system_folders system{L"C:\\ProgramData", L"C:\\Users\\ann\\AppData\\Roaming",
                                         L"C:\\ProgramData\\Start Menu\\Programs",
                                         L"C:\\Users\\ann\\Start Menu\\Programs", L"C:\\Users\\Public\\Desktop",
                                         L"C:\\Users\\ann\\Desktop"};
const std::wstring install = L"D:\\Apps\\Vantrel 7";
const std::wstring menu = L"C:\\ProgramData\\Start Menu\\Programs\\Marrowin\\Vantrel 7";

std::vector<state::scope_root> roots_for(const uninstaller::logged_folders& logged, std::vector<std::wstring>& told)
{
    return uninstaller::product_roots(install, system, logged, [&told](const std::wstring& line) { told.push_back(line); },
                                      uninstaller::same_name);
}

TEST(RemovalScope, TheProductsFoldersAndNothingElse)
{
    std::vector<std::wstring> told;
    const auto roots = roots_for({install, menu, L"Vantrel 7.05a"}, told);
    EXPECT_TRUE(told.empty());
    const std::set<std::wstring> no_links;
    const auto is_link = [&no_links](const std::wstring& path) { return no_links.count(path) > 0; };
    struct removal_case {
        const wchar_t* path;
        bool folder;
        removal_verdict verdict;
    };
    const removal_case cases[] = {
        {L"D:\\Apps\\Vantrel 7\\Vantrel.exe", false, removal_verdict::allowed},
        {L"d:\\apps\\VANTREL 7\\Lang\\Vantrel.en.dll", false, removal_verdict::allowed},
        {L"D:\\Apps\\Vantrel 7", true, removal_verdict::allowed},
        {L"D:\\Apps", true, removal_verdict::allowed},                // created for the product, removed when empty
        {L"D:\\Apps", false, removal_verdict::outside},               // but never as a file
        {L"D:\\", true, removal_verdict::outside},
        {L"C:\\ProgramData\\Marrowin\\Vantrel\\Styles.vlib", false, removal_verdict::allowed},
        {L"C:\\ProgramData\\Marrowin\\Textures\\Vantrel\\Wood.jpg", false, removal_verdict::allowed},
        {L"C:\\ProgramData\\Marrowin\\Textures", true, removal_verdict::allowed},
        {L"C:\\ProgramData\\Marrowin", true, removal_verdict::allowed},
        {L"C:\\ProgramData\\Marrowin\\Other\\data.bin", false, removal_verdict::outside},
        {L"C:\\ProgramData\\Marrowin\\Textures\\Other\\a.jpg", false, removal_verdict::outside},
        {L"C:\\ProgramData", true, removal_verdict::outside},
        {L"C:\\Users\\ann\\AppData\\Roaming\\Marrowin\\Vantrel\\UserImages.bmp", false, removal_verdict::allowed},
        {L"C:\\ProgramData\\Start Menu\\Programs\\Marrowin\\Vantrel 7\\Vantrel 7.05a.lnk", false, removal_verdict::allowed},
        {L"C:\\ProgramData\\Start Menu\\Programs\\Marrowin", true, removal_verdict::allowed},
        {L"C:\\ProgramData\\Start Menu\\Programs\\Other\\Other.lnk", false, removal_verdict::outside},
        {L"C:\\Users\\Public\\Desktop\\Vantrel 7.05a.lnk", false, removal_verdict::allowed},
        {L"C:\\Users\\ann\\Desktop\\Vantrel 7.05a.lnk", false, removal_verdict::allowed},
        {L"C:\\Users\\Public\\Desktop\\Other.lnk", false, removal_verdict::outside},
        {L"C:\\Windows\\System32\\kernel32.dll", false, removal_verdict::outside},
        {L"D:\\Apps\\Vantrel 7\\..\\..\\Windows\\win.ini", false, removal_verdict::not_plain},
        {L"D:\\Apps\\Vantrel 7\\Vantrel.exe:payload", false, removal_verdict::not_plain},
        {L"\\\\?\\D:\\Apps\\Vantrel 7\\Vantrel.exe", false, removal_verdict::not_plain},
    };
    for (const removal_case& c : cases)
        EXPECT_EQ(uninstaller::check_removal(c.path, c.folder, roots, uninstaller::same_name, is_link), c.verdict)
            << test::narrow(c.path);
}

TEST(RemovalScope, NeverThroughALinkBelowTheRoots)
{
    std::vector<std::wstring> told;
    const auto roots = roots_for({install, menu, L"Vantrel 7.05a"}, told);
    struct link_case {
        std::set<std::wstring> links;
        const wchar_t* path;
        bool folder;
        removal_verdict verdict;
    };
    const link_case cases[] = {
        // A user made the product's data folder, or the publisher's, a link before installing.
        {{L"C:\\ProgramData\\Marrowin\\Vantrel"}, L"C:\\ProgramData\\Marrowin\\Vantrel\\Styles.vlib", false,
         removal_verdict::through_link},
        {{L"C:\\ProgramData\\Marrowin"}, L"C:\\ProgramData\\Marrowin\\Vantrel\\Styles.vlib", false,
         removal_verdict::through_link},
        {{L"C:\\ProgramData\\Marrowin"}, L"C:\\ProgramData\\Marrowin", true, removal_verdict::through_link},
        // A link where a file of the product should be.
        {{L"C:\\ProgramData\\Marrowin\\Vantrel\\Styles.vlib"}, L"C:\\ProgramData\\Marrowin\\Vantrel\\Styles.vlib", false,
         removal_verdict::through_link},
        {{L"D:\\Apps\\Vantrel 7\\Lang"}, L"D:\\Apps\\Vantrel 7\\Lang\\Vantrel.en.dll", false, removal_verdict::through_link},
        {{L"C:\\Users\\Public\\Desktop\\Vantrel 7.05a.lnk"}, L"C:\\Users\\Public\\Desktop\\Vantrel 7.05a.lnk", false,
         removal_verdict::through_link},
        // The system's own folders and the installation folder itself are taken as they are.
        {{L"C:\\ProgramData", L"D:\\Apps\\Vantrel 7", L"D:\\Apps"}, L"C:\\ProgramData\\Marrowin\\Vantrel\\Styles.vlib",
         false, removal_verdict::allowed},
        {{L"D:\\Apps\\Vantrel 7"}, L"D:\\Apps\\Vantrel 7\\Vantrel.exe", false, removal_verdict::allowed},
        // A link elsewhere changes nothing.
        {{L"C:\\ProgramData\\Marrowin\\Other"}, L"C:\\ProgramData\\Marrowin\\Vantrel\\Styles.vlib", false,
         removal_verdict::allowed},
    };
    for (const link_case& c : cases) {
        const auto is_link = [&c](const std::wstring& path) { return c.links.count(path) > 0; };
        EXPECT_EQ(uninstaller::check_removal(c.path, c.folder, roots, uninstaller::same_name, is_link), c.verdict)
            << test::narrow(c.path) << " with " << test::narrow(*c.links.begin());
    }
}

TEST(RemovalScope, HeaderFoldersThatCannotBeTheProductsAreToldAndUnused)
{
    std::vector<std::wstring> told;
    // The header claims the Windows folder as installation folder and its system folder as
    // Start-menu folder; the title names another product's desktop link.
    const auto roots = roots_for({L"C:\\Windows", L"C:\\Windows\\System32", L"Other"}, told);
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0], L"Left alone, the log names another installation folder: C:\\Windows");
    EXPECT_EQ(told[1], L"Left alone, the Start-menu folder is not below a Programs folder: C:\\Windows\\System32");
    const auto never = [](const std::wstring&) { return false; };
    for (const wchar_t* path : {L"C:\\Windows\\win.ini", L"C:\\Windows\\System32\\kernel32.dll",
                                L"C:\\Users\\Public\\Desktop\\Other.lnk"})
        EXPECT_EQ(uninstaller::check_removal(path, false, roots, uninstaller::same_name, never), removal_verdict::outside)
            << test::narrow(path);
    // The Programs folder itself is no Start-menu folder of the product.
    told.clear();
    roots_for({install, system.common_programs, L"Vantrel 7.05a"}, told);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find(L"Start-menu"), std::wstring::npos);
    // The product's own header tells nothing.
    told.clear();
    roots_for({L"d:\\apps\\vantrel 7", menu, L"Vantrel 7.05a"}, told);
    EXPECT_TRUE(told.empty());
}

TEST(RemovalScope, FileSystemNameComparison)
{
    EXPECT_TRUE(uninstaller::same_folder(L"d:\\apps\\VANTREL 7\\", install));
    EXPECT_FALSE(uninstaller::same_folder(L"D:\\Apps\\Vantrel 7\\Lang", install));
    EXPECT_FALSE(uninstaller::same_folder(L"D:\\Apps", install));
    EXPECT_FALSE(uninstaller::same_folder(L"D:\\Apps\\Vantrel 7\\..\\Vantrel 7", install));
    EXPECT_TRUE(uninstaller::is_above(L"d:\\APPS", install));
    EXPECT_TRUE(uninstaller::is_above(L"D:\\", install));
    EXPECT_FALSE(uninstaller::is_above(install, install));
    EXPECT_FALSE(uninstaller::is_above(L"D:\\Apps\\Vantrel 7\\Lang", install));
    EXPECT_FALSE(uninstaller::is_above(L"D:\\Ap", install));
    EXPECT_TRUE(uninstaller::same_name(L"Caf\u00e9", L"CAF\u00c9"));
    EXPECT_TRUE(uninstaller::same_name(L"vantrel", L"VANTREL"));
    EXPECT_FALSE(uninstaller::same_name(L"Vantrel", L"Vantrel7"));
    EXPECT_FALSE(uninstaller::same_name(L"Vantrel", L"Vantrol"));
}

} // namespace
