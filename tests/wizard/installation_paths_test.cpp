// What the pages know of the paths an installation makes: read from the payload's directory,
// and the longest folders that leave room for them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "helper_process.h"
#include "holders/handles.h"
#include "payload/archive_format.h"
#include "payload/memstream.h"
#include "resources/resource_ids.h"
#include "test_support.h"
#include "wizard/installation_paths.h"
#include "wizard_driver.h"

namespace {

payload::archive_entry entry(const wchar_t* source, const wchar_t* destination, payload::entry_kind kind)
{
    payload::archive_entry e;
    e.source = source;
    e.destination = destination;
    e.kind = static_cast<std::uint32_t>(kind);
    return e;
}

const std::vector<payload::archive_entry> directory{
    entry(L"files/DirectX/DSETUP.dll", L"<Temporary>", payload::entry_kind::redistributable),
    entry(L"files/Textures/Wood.jpg", L"<CommonData>\\Marrowin\\Textures", payload::entry_kind::shared_data),
    entry(L"files/Uninstall.exe", L"<InstallPath>", payload::entry_kind::uninstaller),
    entry(L"files/Lang/Vantrel.de.dll", L"<InstallPath>\\Lang", payload::entry_kind::language_module),
    entry(L"files/Deep.txt", L"<InstallPath>/Deep/Er", payload::entry_kind::program),
    entry(L"files/Other.dll", L"<installpath>\\Lang", payload::entry_kind::language_module), // no token
    entry(L"files/Tools/Remove.exe", L"<InstallPath>\\Tools", payload::entry_kind::uninstaller),
    entry(L"files/Vantrel.exe", L"<InstallPath>", payload::entry_kind::program),
};

TEST(InstallationPaths, PathsBelowTheInstallFolderFromTheDirectory)
{
    const std::vector<std::wstring> expected{L"Uninstall.exe",     L"Uninstall.ulog",         L"Lang\\Vantrel.de.dll",
                                             L"Deep\\Er\\Deep.txt", L"Tools\\Remove.exe",      L"Tools\\Uninstall.ulog",
                                             L"Vantrel.exe"};
    EXPECT_EQ(PathsBelowInstallFolder(directory), expected);
}

TEST(InstallationPaths, LongestFolderLeavesRoomForTheDeepestPath)
{
    const std::vector<std::wstring> below{L"Lang\\Vantrel.de.dll", L"Uninstall.ulog"};
    EXPECT_EQ(LongestFolderFor(below), 239u);
    EXPECT_EQ(LongestFolderFor({}), 259u);
    EXPECT_EQ(LongestFolderFor({std::wstring(400, L'x')}), 0u);
    for (std::size_t length = 200; length <= 270; ++length) {
        const std::wstring folder = L"C:\\" + std::wstring(length - 3, L'f');
        EXPECT_EQ(FitsBelow(folder, below), length <= LongestFolderFor(below)) << length;
        EXPECT_EQ(FitsBelow(folder, {}), length <= LongestFolderFor({})) << length;
    }
    // A closing separator is not counted twice.
    EXPECT_TRUE(FitsBelow(L"C:\\" + std::wstring(236, L'f') + L"\\", below));
}

TEST(InstallationPaths, DirectoryReadFromTheCompressedArchive)
{
    const std::string archive = test::compress(payload::encode_header(directory) + "file bytes that follow");
    tal::imemstream source(archive.data(), archive.size());
    const std::vector<payload::archive_entry> read = ReadPayloadDirectory(source);
    ASSERT_EQ(read.size(), directory.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].source, directory[i].source);
        EXPECT_EQ(read[i].destination, directory[i].destination);
        EXPECT_EQ(read[i].kind, directory[i].kind);
    }
    // An archive cut inside its header.
    const std::string whole = test::compress(payload::encode_header(directory));
    const std::string cut = test::compress(payload::encode_header(directory).substr(0, 40));
    tal::imemstream short_source(cut.data(), cut.size());
    EXPECT_ANY_THROW(ReadPayloadDirectory(short_source));
    tal::imemstream damaged(whole.data(), whole.size() / 2);
    EXPECT_ANY_THROW(ReadPayloadDirectory(damaged));
}

TEST(InstallationPaths, TheBuiltInstallersPayload)
{
    const tal::unique_hmodule installer(
        ::LoadLibraryExW(test::installer_path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(installer);
    const HRSRC info = ::FindResourceW(installer.get(), MAKEINTRESOURCEW(IDR_PAYLOAD), MAKEINTRESOURCEW(RT_PAYLOAD));
    ASSERT_TRUE(info);
    const char* bytes = static_cast<const char*>(::LockResource(::LoadResource(installer.get(), info)));
    tal::imemstream source(bytes, ::SizeofResource(installer.get(), info));
    const std::vector<std::wstring> below = PathsBelowInstallFolder(ReadPayloadDirectory(source));
    for (const wchar_t* path : {L"Vantrel.exe", L"Uninstall.exe", L"Uninstall.ulog", L"Lang\\Vantrel.de.dll"})
        EXPECT_NE(std::find(below.begin(), below.end(), path), below.end()) << test::narrow(path);
    EXPECT_EQ(below.size(), 10u); // the program, the uninstaller and its log, seven language modules
    EXPECT_EQ(LongestFolderFor(below), 239u);
}

} // namespace
