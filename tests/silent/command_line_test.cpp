// The switches as the installer reads them, and the silent log's lines, without starting it.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/installation_log_file.h"
#include "install/silent_report.h"
#include "state_fixture.h"

namespace {

struct parse_case {
    const wchar_t* line;
    bool silent;
    const wchar_t* folder;
    bool no_shortcuts;
    bool no_desktop;
    int language; // -1: none
    const wchar_t* log;
    const wchar_t* bad;
};

const parse_case parse_cases[] = {
    {L"", false, L"", false, false, -1, L"", L""},
    {L"/S", true, L"", false, false, -1, L"", L""},
    {L"  /s  ", true, L"", false, false, -1, L"", L""},
    {L"/S /D=C:\\Program Files\\My Vantrel", true, L"C:\\Program Files\\My Vantrel", false, false, -1, L"", L""},
    // The folder is the rest of the line, whatever it holds; trailing blanks go.
    {L"/d=C:\\A b /NODESKTOP  ", false, L"C:\\A b /NODESKTOP", false, false, -1, L"", L""},
    {L"/S /D=\"C:\\Quoted Folder\"", true, L"C:\\Quoted Folder", false, false, -1, L"", L""},
    {L"/S \"/D=C:\\Quoted Switch\"", true, L"C:\\Quoted Switch", false, false, -1, L"", L""},
    {L"/NoShortcuts /nodesktop /S", true, L"", true, true, -1, L"", L""},
    {L"/S /LANG=de", true, L"", false, false, 2, L"", L""},
    {L"/S /lang=EL", true, L"", false, false, 14, L"", L""},
    {L"/S /LANG=tr /LANG=nl", true, L"", false, false, 5, L"", L""},
    {L"/S /LOG=C:\\logs\\v.log", true, L"", false, false, -1, L"C:\\logs\\v.log", L""},
    {L"/S /LOG=\"C:\\my logs\\v.log\" /NODESKTOP", true, L"", false, true, -1, L"C:\\my logs\\v.log", L""},
    {L"/S \"/LOG=C:\\my logs\\v.log\"", true, L"", false, false, -1, L"C:\\my logs\\v.log", L""},
    // What is not understood is kept as written, and nothing after it is read.
    {L"/S /BOGUS /NODESKTOP", true, L"", false, false, -1, L"", L"/BOGUS"},
    {L"/S /LANG=it", true, L"", false, false, -1, L"", L"/LANG=it"},
    {L"/S /LANG=", true, L"", false, false, -1, L"", L"/LANG="},
    {L"/S /LOG=", true, L"", false, false, -1, L"", L"/LOG="},
    {L"/S /D=", true, L"", false, false, -1, L"", L"/D="},
    {L"/S /D=   ", true, L"", false, false, -1, L"", L"/D=   "},
    {L"/SILENT", false, L"", false, false, -1, L"", L"/SILENT"},
    {L"-S", false, L"", false, false, -1, L"", L"-S"},
    {L"S", false, L"", false, false, -1, L"", L"S"},
};

TEST(InstallerCommandLine, EverySwitchAndWhatIsRefused)
{
    for (const parse_case& c : parse_cases) {
        SCOPED_TRACE(test::narrow(c.line));
        const InstallerOptions options = ParseInstallerCommandLine(c.line);
        EXPECT_EQ(options.silent, c.silent);
        EXPECT_EQ(options.installFolder, c.folder);
        EXPECT_EQ(options.noShortcuts, c.no_shortcuts);
        EXPECT_EQ(options.noDesktop, c.no_desktop);
        EXPECT_EQ(options.language, c.language < 0 ? std::nullopt : std::optional<int>(c.language));
        EXPECT_EQ(options.logFile, c.log);
        EXPECT_EQ(options.badSwitch, c.bad);
    }
}

TEST(InstallerCommandLine, TheStartPagesEightLanguages)
{
    const std::pair<const wchar_t*, int> codes[] = {{L"fr", 0}, {L"en", 1}, {L"de", 2}, {L"es", 3},
                                                   {L"pt", 4}, {L"nl", 5}, {L"el", 14}, {L"tr", 7}};
    for (const auto& [code, index] : codes)
        EXPECT_EQ(LanguageOfCode(code), index) << test::narrow(code);
    for (const wchar_t* other : {L"it", L"ro", L"he", L"", L"english", L"e"})
        EXPECT_EQ(LanguageOfCode(other), std::nullopt) << test::narrow(other);
}

TEST(SilentLog, RuledLinesByCharacters)
{
    EXPECT_EQ(RuledLine(L"", 10), L"----------");
    EXPECT_EQ(RuledLine(L"ab", 10), L"--- ab ---");
    // An odd remainder puts the extra dash after the text, as the page does.
    EXPECT_EQ(RuledLine(L"abc", 10), L"-- abc ---");
    EXPECT_EQ(RuledLine(L"a text longer than the line", 10), L" a text longer than the line ");
    EXPECT_EQ(RuledLine(L"Installation Options").size(), log_line_width);
}

TEST(SilentLog, Utf8WithMarkAndTheFailureReasonOnce)
{
    test::scratch_folder folder;
    const std::wstring path = folder / L"silent log.txt";
    {
        InstallationLogFile file;
        ASSERT_EQ(file.Open(path), static_cast<DWORD>(ERROR_SUCCESS));
        SilentReport report(file);
        report.AppendLog(L"Options", true);
        report.SetStatus(L"Pr\u00e9paration...");
        report.AppendLog(L"Pr\u00e9paration...", false);
        report.AppendLog(L"\u00c9chec\r\n", false);
        report.SetStatus(L"Installation failed (Error Code 4).");
        report.AppendFailureReason();
        // A reason that the log's last line already gives is not repeated.
        report.SetStatus(L"Installation failed (Error Code 4).");
        report.AppendFailureReason();
    }
    EXPECT_EQ(test::read_bytes(path), "\xEF\xBB\xBF" + test::narrow(RuledLine(L"Options")) + "\r\n"
                                          "Pr\xC3\xA9paration...\xC3\x89" "chec\r\n"
                                          "Installation failed (Error Code 4).\r\n");
}

TEST(SilentLog, AFileThatCannotBeMadeTellsWhy)
{
    InstallationLogFile file;
    EXPECT_EQ(file.Open(L"C:\\no such folder\\at all\\silent.log"), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(file.is_open());
    file.Write(L"goes nowhere");
}

} // namespace
