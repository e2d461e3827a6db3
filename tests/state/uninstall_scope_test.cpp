// The uninstaller's scope on hand-written paths: what lies below the product's folders, and
// every way of naming a path elsewhere that must not pass for one of them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "state/uninstall_scope.h"

namespace {

using state::scope_verdict;

const std::vector<state::scope_root> roots{
    // The installation folder, its parents created by the installer below the drive.
    {L"C:\\Program Files\\Marrowin\\Vantrel 7", L"C:\\Program Files\\Marrowin\\Vantrel 7", L"C:\\"},
    // A data folder below a folder that users can write.
    {L"C:\\ProgramData\\Marrowin\\Vantrel", L"C:\\ProgramData", L"C:\\ProgramData"},
    // The desktop link alone.
    {L"C:\\Users\\Public\\Desktop\\Vantrel 7.05a.lnk", L"C:\\Users\\Public\\Desktop", L"", true},
    // A profile redirected to a share.
    {L"\\\\server\\share\\ann\\AppData\\Marrowin\\Vantrel", L"\\\\server\\share\\ann\\AppData", L"\\\\server\\share\\ann\\AppData"},
};

struct scope_case {
    const wchar_t* path;
    scope_verdict verdict;
    std::size_t root;
};

const wchar_t* name(scope_verdict verdict)
{
    switch (verdict) {
    case scope_verdict::inside: return L"inside";
    case scope_verdict::ancestor: return L"ancestor";
    case scope_verdict::outside: return L"outside";
    default: return L"not plain";
    }
}

std::string narrow(const std::wstring& text)
{
    std::string out;
    for (const wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

TEST(UninstallScope, EveryWayOfNamingAPath)
{
    const scope_case cases[] = {
        // The product's own files and folders, as the log names them and in other case.
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\Vantrel.exe", scope_verdict::inside, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7", scope_verdict::inside, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\", scope_verdict::inside, 0},
        {L"c:\\PROGRAM FILES\\marrowin\\vantrel 7\\lang\\Vantrel.en.dll", scope_verdict::inside, 0},
        {L"C:/Program Files/Marrowin/Vantrel 7/Vantrel.exe", scope_verdict::inside, 0},
        {L"C:\\ProgramData\\Marrowin\\Vantrel\\Styles.vlib", scope_verdict::inside, 1},
        {L"C:\\Users\\Public\\Desktop\\Vantrel 7.05a.lnk", scope_verdict::inside, 2},
        {L"\\\\SERVER\\Share\\ann\\AppData\\Marrowin\\Vantrel\\UserImages.bmp", scope_verdict::inside, 3},
        // A short name below the folder stays below it.
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\LANG~1\\Vantrel.en.dll", scope_verdict::inside, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\Console.txt", scope_verdict::inside, 0},
        // Folders the installer created on the way, removed only when empty.
        {L"C:\\Program Files\\Marrowin", scope_verdict::ancestor, 0},
        {L"C:\\Program Files", scope_verdict::ancestor, 0},
        {L"C:\\ProgramData\\Marrowin", scope_verdict::ancestor, 1},
        {L"\\\\server\\share\\ann\\AppData\\Marrowin", scope_verdict::ancestor, 3},
        // Elsewhere: other folders, prefixes of a name, the roots' own parents beyond the limit.
        {L"C:\\Windows\\win.ini", scope_verdict::outside, 0},
        {L"C:\\", scope_verdict::outside, 0},
        {L"C:\\ProgramData", scope_verdict::outside, 0},
        {L"C:\\ProgramData\\Other\\data.bin", scope_verdict::outside, 0},
        {L"C:\\Prog\\Vantrel.exe", scope_verdict::outside, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7x\\Vantrel.exe", scope_verdict::outside, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel", scope_verdict::outside, 0},
        {L"C:\\Program Files\\Marrowin\\Other\\a.dll", scope_verdict::outside, 0},
        {L"C:\\ProgramData\\Marrowin\\VantrelX\\a", scope_verdict::outside, 0},
        {L"D:\\Program Files\\Marrowin\\Vantrel 7\\Vantrel.exe", scope_verdict::outside, 0},
        {L"C:\\Users\\Public\\Desktop\\Other.lnk", scope_verdict::outside, 0},
        {L"C:\\Users\\Public\\Desktop", scope_verdict::outside, 0},
        {L"C:\\Users\\Public\\Desktop\\Vantrel 7.05a.lnk\\x", scope_verdict::outside, 0},
        {L"\\\\server\\other\\ann\\AppData\\Marrowin\\Vantrel\\x", scope_verdict::outside, 0},
        {L"\\\\server\\share", scope_verdict::outside, 0},
        // A short name of a root's own folders is not taken for it.
        {L"C:\\PROGRA~1\\Marrowin\\Vantrel 7\\Vantrel.exe", scope_verdict::outside, 0},
        // Letters other than ASCII must match exactly.
        {L"C:\\Program Files\\Marrowin\\Vantr\u00c9l 7\\x", scope_verdict::outside, 0},
        // Traversal and names Win32 rewrites.
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\..\\..\\..\\Windows\\win.ini", scope_verdict::not_plain, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\..", scope_verdict::not_plain, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\.\\Vantrel.exe", scope_verdict::not_plain, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7/../../../Windows/win.ini", scope_verdict::not_plain, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7.\\Vantrel.exe", scope_verdict::not_plain, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7 \\Vantrel.exe", scope_verdict::not_plain, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\Vantrel.exe.", scope_verdict::not_plain, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\...\\Vantrel.exe", scope_verdict::not_plain, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\\\Vantrel.exe", scope_verdict::not_plain, 0},
        // Streams.
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\Vantrel.exe:hidden", scope_verdict::not_plain, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\Vantrel.exe::$DATA", scope_verdict::not_plain, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7:stream", scope_verdict::not_plain, 0},
        // Devices, in any case and with an extension.
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\CON", scope_verdict::not_plain, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\nul.txt", scope_verdict::not_plain, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\Com1", scope_verdict::not_plain, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\lpt9.log", scope_verdict::not_plain, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\CONOUT$", scope_verdict::not_plain, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\aux .txt", scope_verdict::not_plain, 0},
        // Prefixes that skip Win32's own checks, and device paths.
        {L"\\\\?\\C:\\Program Files\\Marrowin\\Vantrel 7\\Vantrel.exe", scope_verdict::not_plain, 0},
        {L"\\\\.\\C:\\Program Files\\Marrowin\\Vantrel 7\\Vantrel.exe", scope_verdict::not_plain, 0},
        {L"\\\\?\\UNC\\server\\share\\ann\\AppData\\Marrowin\\Vantrel\\x", scope_verdict::not_plain, 0},
        {L"\\??\\C:\\Program Files\\Marrowin\\Vantrel 7\\Vantrel.exe", scope_verdict::not_plain, 0},
        {L"\\\\server", scope_verdict::not_plain, 0},
        {L"\\\\\\share\\x", scope_verdict::not_plain, 0},
        // Wildcards and control characters.
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\*.exe", scope_verdict::not_plain, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\Vantrel?.exe", scope_verdict::not_plain, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\a\tb", scope_verdict::not_plain, 0},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7\\a\"b", scope_verdict::not_plain, 0},
        // Not full paths.
        {L"", scope_verdict::not_plain, 0},
        {L"Vantrel.exe", scope_verdict::not_plain, 0},
        {L"C:", scope_verdict::not_plain, 0},
        {L"C:Program Files\\Marrowin\\Vantrel 7\\Vantrel.exe", scope_verdict::not_plain, 0},
        {L"\\Program Files\\Marrowin\\Vantrel 7\\Vantrel.exe", scope_verdict::not_plain, 0},
        {L"1:\\Program Files\\Marrowin\\Vantrel 7\\Vantrel.exe", scope_verdict::not_plain, 0},
    };
    for (const scope_case& c : cases) {
        const state::scope_decision decision = state::decide_scope(c.path, roots);
        EXPECT_EQ(decision.verdict, c.verdict) << narrow(c.path) << " is " << narrow(name(decision.verdict));
        if (decision.verdict == scope_verdict::inside || decision.verdict == scope_verdict::ancestor) {
            EXPECT_EQ(decision.root, c.root) << narrow(c.path);
        }
    }
}

TEST(UninstallScope, EveryElementBelowTheAnchorIsToBeChecked)
{
    struct checked_case {
        const wchar_t* path;
        std::vector<std::wstring> checked;
    };
    const checked_case cases[] = {
        {L"C:\\ProgramData\\Marrowin\\Vantrel\\Sub\\Styles.vlib",
         {L"C:\\ProgramData\\Marrowin", L"C:\\ProgramData\\Marrowin\\Vantrel", L"C:\\ProgramData\\Marrowin\\Vantrel\\Sub",
          L"C:\\ProgramData\\Marrowin\\Vantrel\\Sub\\Styles.vlib"}},
        {L"C:\\ProgramData\\Marrowin", {L"C:\\ProgramData\\Marrowin"}},
        // The installation folder is its own anchor: only what is below it.
        {L"C:/Program Files/Marrowin/Vantrel 7/Lang/Vantrel.en.dll",
         {L"C:\\Program Files\\Marrowin\\Vantrel 7\\Lang", L"C:\\Program Files\\Marrowin\\Vantrel 7\\Lang\\Vantrel.en.dll"}},
        {L"C:\\Program Files\\Marrowin\\Vantrel 7", {}},
        {L"C:\\Program Files\\Marrowin", {}},
        {L"C:\\Users\\Public\\Desktop\\Vantrel 7.05a.lnk", {L"C:\\Users\\Public\\Desktop\\Vantrel 7.05a.lnk"}},
        {L"\\\\server\\share\\ann\\AppData\\Marrowin\\Vantrel",
         {L"\\\\server\\share\\ann\\AppData\\Marrowin", L"\\\\server\\share\\ann\\AppData\\Marrowin\\Vantrel"}},
    };
    for (const checked_case& c : cases)
        EXPECT_EQ(state::decide_scope(c.path, roots).checked, c.checked) << narrow(c.path);
    EXPECT_TRUE(state::decide_scope(L"C:\\Windows\\win.ini", roots).checked.empty());
}

TEST(UninstallScope, RootsThatAreNotPlainAdmitNothing)
{
    const std::vector<state::scope_root> odd{
        {L"C:\\Program Files\\..\\Windows", L"C:\\Program Files\\..\\Windows", L"C:\\"},
        {L"", L"", L""},
        // An anchor that is not above its folder.
        {L"C:\\ProgramData\\Marrowin\\Vantrel", L"C:\\Windows", L"C:\\"},
    };
    for (const wchar_t* path : {L"C:\\Windows\\win.ini", L"C:\\Program Files\\x", L"C:\\ProgramData\\Marrowin\\Vantrel\\a",
                                L"C:\\ProgramData"})
        EXPECT_EQ(state::decide_scope(path, odd).verdict, scope_verdict::outside) << narrow(path);
}

TEST(UninstallScope, TheCallersNameComparison)
{
    // The uninstaller passes the file system's case rule; here one that also folds É and é.
    const state::same_name_test folding = [](std::wstring_view a, std::wstring_view b) {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const auto up = [](wchar_t c) { return c == L'\u00e9' ? L'\u00c9' : (c >= L'a' && c <= L'z' ? wchar_t(c - 32) : c); };
            if (up(a[i]) != up(b[i]))
                return false;
        }
        return true;
    };
    const std::vector<state::scope_root> accented{{L"C:\\Caf\u00e9\\Vantrel", L"C:\\Caf\u00e9\\Vantrel", L"C:\\"}};
    EXPECT_EQ(state::decide_scope(L"C:\\CAF\u00c9\\vantrel\\a", accented, folding).verdict, scope_verdict::inside);
    EXPECT_EQ(state::decide_scope(L"C:\\CAF\u00c9\\vantrel\\a", accented).verdict, scope_verdict::outside);
    EXPECT_TRUE(state::same_name_ascii(L"Vantrel", L"VANTREL"));
    EXPECT_FALSE(state::same_name_ascii(L"Vantrel", L"Vantrel "));
}

} // namespace
