// Destination folders: splitting, tokens and the folders they stand for.
#include <gtest/gtest.h>

#include "payload/compress_error.h"
#include "payload/destination.h"
#include "payload/platform.h"

namespace {

using payload::resolve_destination;

std::wstring joined(std::initializer_list<std::wstring> parts)
{
    std::wstring path;
    for (const std::wstring& part : parts)
        path = payload::join_path(path, part);
    return path;
}

const payload::destination_roots roots{L"C:\\Program Files\\Marrowin\\Vantrel 7", L"Vantrel Examples", L"C:\\Temp\\run"};

TEST(Destination, SplitsOnBothSeparators)
{
    EXPECT_EQ(payload::split_path(L"C:\\Dev/Installer\\Files\\UserImages.bmp"),
              (std::vector<std::wstring>{L"C:", L"Dev", L"Installer", L"Files", L"UserImages.bmp"}));
    EXPECT_EQ(payload::last_element(L"C:\\Dev\\Installer\\Files\\UserImages.bmp"), L"UserImages.bmp");
    EXPECT_EQ(payload::last_element(L"/build/Lang/Vantrel.en.dll"), L"Vantrel.en.dll");
    EXPECT_TRUE(payload::split_path(L"").empty());
}

TEST(Destination, ADriveIsAnElementOfItsOwn)
{
    const std::vector<std::pair<std::wstring, std::vector<std::wstring>>> cases{
        {L"C:file.txt", {L"C:", L"file.txt"}},
        {L"C:Dev/file.txt", {L"C:", L"Dev", L"file.txt"}},
        {L"C:", {L"C:"}},
        {L"C:\\", {L"C:"}},
        {L"C:\\file.txt", {L"C:", L"file.txt"}},
        {L"\\\\server\\share\\file.txt", {L"server", L"share", L"file.txt"}},
        {L"Dev\\C:x", {L"Dev", L"C:x"}}, // only a path's first element can be a drive
    };
    for (const auto& [path, elements] : cases)
        EXPECT_EQ(payload::split_path(path), elements);
    EXPECT_EQ(payload::last_element(L"C:file.txt"), L"file.txt");
}

TEST(Destination, RootTokensExpandToTheirFolders)
{
    EXPECT_EQ(resolve_destination(L"<InstallPath>", roots), roots.install_path);
    EXPECT_EQ(resolve_destination(L"<InstallPath>\\Lang", roots), joined({roots.install_path, L"Lang"}));
    EXPECT_EQ(resolve_destination(L"<InstallPath>/Lang/Sub", roots), joined({roots.install_path, L"Lang", L"Sub"}));
    EXPECT_EQ(resolve_destination(L"<Temporary>", roots), roots.temporary_path);

    payload::destination_roots no_temp = roots;
    no_temp.temporary_path.clear();
    EXPECT_EQ(resolve_destination(L"<Temporary>", no_temp), roots.install_path);

    payload::destination_roots no_install = roots;
    no_install.install_path.clear();
    EXPECT_EQ(resolve_destination(L"<InstallPath>\\Lang", no_install), L"Lang");
}

TEST(Destination, FoldersWithoutATokenStayAsTheyAre)
{
    for (const std::wstring folder : {L"", L"C:\\Fixed\\Folder", L"relative\\folder", L"<InstallPath\\Lang",
                                      L"InstallPath>\\Lang", L"\\\\server\\share\\x"})
        EXPECT_EQ(resolve_destination(folder, roots), folder);
}

TEST(Destination, UnknownTokensAndOtherCasesDisappear)
{
    EXPECT_EQ(resolve_destination(L"<installpath>\\Lang", roots), L"Lang");
    EXPECT_EQ(resolve_destination(L"<Nowhere>\\Lang", roots), L"Lang");
    EXPECT_EQ(resolve_destination(L"<Nowhere>", roots), L"");
    EXPECT_EQ(resolve_destination(L"<>/Lang/x", roots), joined({L"Lang", L"x"}));
}

TEST(Destination, JoinKeepsAnExistingSeparator)
{
    EXPECT_EQ(payload::join_path(L"C:\\", L"x"), L"C:\\x");
    EXPECT_EQ(payload::join_path(L"", L"x"), L"x");
    EXPECT_EQ(payload::join_path(L"base", L""), L"base");
}

} // namespace
