// The tokens of system folders resolve to the folders the shell reports.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "payload/destination.h"
#include "test_support.h"

namespace {

std::wstring shell_folder(int csidl)
{
    wchar_t folder[MAX_PATH] = {};
    EXPECT_EQ(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder), S_OK);
    return folder;
}

TEST(SpecialFoldersOnWindows, TokensResolveToExistingFolders)
{
    const payload::destination_roots roots{L"C:\\Program Files\\Marrowin\\Vantrel 7", L"Vantrel Examples", L""};
    const std::vector<std::pair<std::wstring, int>> cases{
        {L"<ProgramFiles>", CSIDL_PROGRAM_FILES}, {L"<ProgramCommon>", CSIDL_PROGRAM_FILES_COMMON},
        {L"<CommonData>", CSIDL_COMMON_APPDATA},  {L"<UserData>", CSIDL_APPDATA},
        {L"<CommonDocuments>", CSIDL_COMMON_DOCUMENTS}, {L"<Documents>", CSIDL_PERSONAL},
        {L"<CommonDesktop>", CSIDL_COMMON_DESKTOPDIRECTORY}, {L"<Desktop>", CSIDL_DESKTOPDIRECTORY},
        {L"<WinDir>", CSIDL_WINDOWS},             {L"<System>", CSIDL_SYSTEM}};
    for (const auto& [token, csidl] : cases) {
        const std::wstring folder = payload::resolve_destination(token, roots);
        EXPECT_EQ(folder, shell_folder(csidl)) << test::narrow(token);
        EXPECT_NE(::GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES) << test::narrow(folder);
    }
    EXPECT_EQ(payload::resolve_destination(L"<CommonData>\\Marrowin\\Vantrel", roots),
              shell_folder(CSIDL_COMMON_APPDATA) + L"\\Marrowin\\Vantrel");
    EXPECT_EQ(payload::resolve_destination(L"<SamplePath>", roots),
              shell_folder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Vantrel Examples");
}

} // namespace
