// Which entries of an archive the payload tool refuses to extract, and the refusal end to end:
// nothing of the archive written, wherever its entries point.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sys/wait.h>

#include "test_support.h"
#include "tools/entry_check.h"

namespace {

struct entry_case {
    const wchar_t* destination;
    const wchar_t* source;
    const char* reason; // a part of the reason given; null: the entry is safe
};

// Every way out of the token's folder, and the names that only look like one.
const entry_case cases[] = {
    {L"<InstallPath>\\..\\..\\escaped", L"x.txt", "\"..\" leads out"},
    {L"<InstallPath>/../escaped", L"x.txt", "\"..\" leads out"},
    {L"<InstallPath>", L"C:\\src\\..", "\"..\" leads out"},
    {L"<InstallPath>\\.", L"x.txt", "\".\" leads out"},
    {L"C:\\Windows\\System32", L"x.dll", "does not start with a folder token"},
    {L"\\\\server\\share", L"x.dll", "does not start with a folder token"},
    {L"/tmp/escaped", L"x.txt", "does not start with a folder token"},
    {L"escaped", L"x.txt", "does not start with a folder token"},
    {L"<Unknown>\\escaped", L"x.txt", "does not start with a folder token"},
    {L"", L"x.txt", "does not start with a folder token"},
    {L"<InstallPath>\\C:\\Windows", L"x.txt", "names a drive or a stream"},
    {L"<InstallPath>", L"D:", "names a drive or a stream"},
    {L"<InstallPath>", L"Vantrel.exe:hidden", "names a drive or a stream"},
    {L"<InstallPath>\\Lang:stream", L"x.txt", "names a drive or a stream"},
    {L"<InstallPath>", L"CON", "is a device"},
    {L"<InstallPath>", L"nul.txt", "is a device"},
    {L"<InstallPath>", L"Com1", "is a device"},
    {L"<InstallPath>\\LPT9.log", L"x.txt", "is a device"},
    {L"<InstallPath>", L"AUX .dat", "is a device"},
    {L"<InstallPath>", L"CONOUT$", "is a device"},
    {L"<InstallPath>", L"COM\u00B9", "is a device"},
    {L"<InstallPath>", L"con.d", "is a device"},
    {L"<InstallPath>", L"what?.txt", "character that Windows refuses"},
    {L"<InstallPath>\\a\"b", L"x.txt", "character that Windows refuses"},
    {L"<InstallPath>", L"tab\there", "character that Windows refuses"},
    {L"<InstallPath>", L"trailing.", "ends in a dot or a blank"},
    {L"<InstallPath>\\folder ", L"x.txt", "ends in a dot or a blank"},
    {L"<InstallPath>", L"C:\\", "names a drive or a stream"},
    {L"<InstallPath>", L"\\/", "has no file name"},
    {L"<InstallPath>", L"", "has no file name"},
    // Safe: plain names below a known token.
    {L"<InstallPath>", L"C:\\Dev\\Files\\Vantrel.exe", nullptr},
    {L"<InstallPath>", L"C:\\Dev\\src\\", nullptr}, // the last element is "src"
    {L"<InstallPath>\\Lang", L"Vantrel.en.dll", nullptr},
    {L"<CommonData>\\Marrowin\\Vantrel", L"Styles.vlib", nullptr},
    {L"<Temporary>", L"DSETUP.dll", nullptr},
    {L"<SamplePath>/Samples", L"a.bmp", nullptr},
    {L"<InstallPath>", L"..hidden", nullptr},
    {L"<InstallPath>", L"CONFIG.SYS", nullptr},
    {L"<InstallPath>", L"COM10", nullptr},
    {L"<InstallPath>", L"NULL", nullptr},
};

TEST(EscapeReason, EveryWayOutIsNamedAndPlainNamesPass)
{
    for (const entry_case& c : cases) {
        payload::archive_entry entry;
        entry.destination = c.destination;
        entry.source = c.source;
        const std::string reason = tools::escape_reason(entry);
        const std::string label = test::narrow(std::wstring(c.destination) + L" | " + c.source);
        if (c.reason)
            EXPECT_NE(reason.find(c.reason), std::string::npos) << label << ": \"" << reason << "\"";
        else
            EXPECT_EQ(reason, "") << label;
    }
}

struct command_result {
    int status;
    std::string output;
};

command_result run_in(const std::filesystem::path& folder, const std::string& arguments)
{
    // From inside the test's folder: an entry that resolves to a relative path lands there.
    const std::string command = "cd '" + folder.string() + "' && " + PAYLOAD_TOOL + " " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return {-1, ""};
    std::string output;
    char buffer[4096];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, got);
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// Everything below `folder`, as relative paths.
std::vector<std::string> contents(const std::filesystem::path& folder)
{
    std::vector<std::string> found;
    for (const auto& item : std::filesystem::recursive_directory_iterator(folder))
        found.push_back(std::filesystem::relative(item.path(), folder).string());
    std::sort(found.begin(), found.end());
    return found;
}

TEST(ExtractCommand, RefusesAnArchiveWithAnEscapingEntryBeforeWritingAnyOfIt)
{
    for (const entry_case& c : cases) {
        if (!c.reason)
            continue;
        test::temp_folder folder;
        const std::string label = test::narrow(std::wstring(c.destination) + L" | " + c.source);
        // A safe entry first: not even that one is written.
        test::archive_bytes archive;
        archive.add(L"first.txt", L"<InstallPath>", "first");
        std::wstring destination = c.destination;
        if (destination.rfind(L"/tmp/", 0) == 0) // an absolute path that stays inside the test's folder
            destination = folder.wide(L"outside");
        archive.add(c.source, destination, "escaped");
        test::write_file(folder.path() / "in" / "p.bz2", test::compress(archive.bytes()));

        const command_result r = run_in(folder.path(), "extract in/p.bz2 --install-path root/app --temporary-path "
                                                       "root/tmp --special-root root/sys");
        EXPECT_EQ(r.status, 1) << label << "\n" << r.output;
        EXPECT_NE(r.output.find("refused: "), std::string::npos) << label << "\n" << r.output;
        EXPECT_NE(r.output.find(c.reason), std::string::npos) << label << "\n" << r.output;
        EXPECT_NE(r.output.find("\nerror: 7\n"), std::string::npos) << label << "\n" << r.output;
        EXPECT_EQ(contents(folder.path()), (std::vector<std::string>{"in", "in/p.bz2"})) << label;
    }
}

} // namespace
