// The signed copy of the installer (made by the signing test beside it) installs as the
// unsigned one does: the signature changes nothing the installer reads from its own image.
#include <windows.h>

#include <gtest/gtest.h>

#include "helper_process.h"
#include "installation_fixture.h"

namespace {

using test::Installation;

TEST_F(Installation, SignedInstallerInstallsQuickly)
{
    const std::wstring signed_installer = test::test_folder() + L"signed\\InstallVantrel7.05a.exe";
    ASSERT_NE(::GetFileAttributesW(signed_installer.c_str()), INVALID_FILE_ATTRIBUTES);
    test::wizard w(signed_installer);
    const std::wstring log = test::install_quickly(w);
    EXPECT_NE(log.find(L"Copying File  \"" + install_folder + L"\\Vantrel.exe\"...OK\r\n"), std::wstring::npos)
        << test::narrow(log);
    EXPECT_NE(log.find(L"Shortcuts Creation...OK\r\n"), std::wstring::npos) << test::narrow(log);
    EXPECT_NE(::GetFileAttributesW((install_folder + L"\\Uninstall.exe").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(test::registry_text(L"DisplayName"), L"Vantrel 7.05a");
    w.next();
    EXPECT_TRUE(w.wait_page(PAGE_END));
    EXPECT_TRUE(w.leave());
}

} // namespace
