// What the built installer carries besides its code: manifest, version record, payload.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "payload/extract.h"
#include "payload/memstream.h"
#include "holders/handles.h"
#include "resources/resource_ids.h"

namespace {

// The installer sits two folders above this test (build/windows/tests/app).
std::wstring installer_path()
{
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    path.erase(path.find_last_of(L'\\'));
    return path + L"\\..\\..\\InstallVantrel7.05a.exe";
}

std::string resource(HMODULE module, LPCWSTR type, LPCWSTR name)
{
    const HRSRC info = ::FindResourceW(module, name, type);
    if (!info)
        return {};
    const HGLOBAL loaded = ::LoadResource(module, info);
    return std::string(static_cast<const char*>(::LockResource(loaded)), ::SizeofResource(module, info));
}

class Installer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(module) << "cannot load " << std::string(path.begin(), path.end()); }
    std::wstring path = installer_path();
    tal::unique_hmodule module{::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)};
};

TEST_F(Installer, ManifestAsksForAdministratorCommonControlsAndDpiAwareness)
{
    const std::string manifest = resource(module.get(), RT_MANIFEST, MAKEINTRESOURCEW(1));
    for (const char* part : {"level=\"requireAdministrator\" uiAccess=\"false\"",
                             "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                             "processorArchitecture=\"x86\" publicKeyToken=\"6595b64144ccf1df\"",
                             ">true</dpiAware>",
                             "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
}

TEST_F(Installer, VersionRecord)
{
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00020002u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000003u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00020002u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000003u);

    WORD* translation = nullptr;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                                 &length));
    wchar_t base[64];
    wsprintfW(base, L"\\StringFileInfo\\%04hX%04hX\\", translation[0], translation[1]);
    const std::vector<std::pair<std::wstring, std::wstring>> strings{
        {L"ProductName", L"Install"},
        {L"ProductVersion", L"2.02"},
        {L"FileDescription", L"Installeur Vantrel 7.05a"},
        {L"CompanyName", L"Marrowin"},
        {L"InternalName", L"Install"},
        {L"OriginalFilename", L"InstallVantrel7.05a.exe"}};
    for (const auto& [name, expected] : strings) {
        wchar_t* value = nullptr;
        ASSERT_TRUE(::VerQueryValueW(block.data(), (base + name).c_str(), reinterpret_cast<void**>(&value), &length))
            << std::string(name.begin(), name.end());
        EXPECT_EQ(std::wstring(value), expected);
    }
    wchar_t* copyright = nullptr;
    ASSERT_TRUE(::VerQueryValueW(block.data(), (std::wstring(base) + L"LegalCopyright").c_str(),
                                 reinterpret_cast<void**>(&copyright), &length));
    EXPECT_NE(std::wstring(copyright).find(L"Marrowin"), std::wstring::npos);
}

TEST_F(Installer, PayloadIsOneSoundBzip2Stream)
{
    const std::string payload = resource(module.get(), MAKEINTRESOURCEW(RT_PAYLOAD), MAKEINTRESOURCEW(IDR_PAYLOAD));
    ASSERT_EQ(payload.rfind("BZh9", 0), 0u);
    tal::imemstream source(payload.data(), payload.size());
    EXPECT_TRUE(payload::test_archive(source));
}

} // namespace
