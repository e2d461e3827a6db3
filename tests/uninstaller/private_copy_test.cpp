// The uninstaller's private copy: a random name, a folder that must be new, and the protected
// descriptors (built and read back here: Wine keeps no DACL on files).
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "private_copy.h"
#include "support/protected_folder.h"
#include "state_fixture.h"
#include "support/protected_descriptor.h"

namespace {

struct expected_entry {
    WELL_KNOWN_SID_TYPE who;
    ACCESS_MASK mask;
    BYTE flags;
};

void expect_protected(const tal::security_descriptor_block& block, const std::vector<expected_entry>& expected)
{
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(::GetSecurityDescriptorControl(block.descriptor.get(), &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PRESENT);
    EXPECT_TRUE(control & SE_DACL_PROTECTED); // nothing inherited from the parent
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(block.descriptor.get(), &present, &dacl, &defaulted));
    ASSERT_TRUE(present);
    ASSERT_NE(dacl, nullptr); // a null DACL would let everyone in
    EXPECT_TRUE(::IsValidAcl(dacl));
    ASSERT_EQ(dacl->AceCount, expected.size());
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* raw = nullptr;
        ASSERT_TRUE(::GetAce(dacl, i, &raw));
        const auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE) << i;
        EXPECT_EQ(ace->Header.AceFlags, expected[i].flags) << i; // explicit, never INHERITED_ACE
        EXPECT_EQ(ace->Mask, expected[i].mask) << i;
        BYTE sid[SECURITY_MAX_SID_SIZE] = {};
        DWORD size = sizeof sid;
        ASSERT_TRUE(::CreateWellKnownSid(expected[i].who, nullptr, sid, &size));
        EXPECT_TRUE(::EqualSid(const_cast<DWORD*>(&ace->SidStart), sid)) << i;
    }
}

constexpr BYTE folder_content = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

TEST(ProtectedDescriptor, PrivateFolderIsSystemAndAdministratorsOnly)
{
    expect_protected(tal::private_folder_descriptor(), {{WinLocalSystemSid, FILE_ALL_ACCESS, folder_content},
                                                        {WinBuiltinAdministratorsSid, FILE_ALL_ACCESS, folder_content}});
}

TEST(ProtectedDescriptor, ProgramFolderLetsUsersReadAndRun)
{
    expect_protected(tal::program_folder_descriptor(),
                     {{WinLocalSystemSid, FILE_ALL_ACCESS, folder_content},
                      {WinBuiltinAdministratorsSid, FILE_ALL_ACCESS, folder_content},
                      {WinBuiltinUsersSid, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, folder_content}});
    // Read and execute, and no right to write, append, delete or change the rights.
    const ACCESS_MASK users = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
    EXPECT_EQ(users & (FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC
                       | WRITE_OWNER | FILE_DELETE_CHILD),
              0u);
}

TEST(ProtectedDescriptor, UninstallLogIsReadOnlyForUsers)
{
    expect_protected(tal::read_only_file_descriptor(), {{WinLocalSystemSid, FILE_ALL_ACCESS, 0},
                                                        {WinBuiltinAdministratorsSid, FILE_ALL_ACCESS, 0},
                                                        {WinBuiltinUsersSid, FILE_GENERIC_READ, 0}});
}

TEST(PrivateCopy, RandomNamesDiffer)
{
    std::set<std::wstring> names;
    for (int i = 0; i < 64; ++i) {
        const std::wstring name = uninstaller::random_hex(16);
        ASSERT_EQ(name.size(), 32u);
        EXPECT_EQ(name.find_first_not_of(L"0123456789abcdef"), std::wstring::npos) << test::narrow(name);
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 64u);
}

TEST(PrivateCopy, FolderMustBeNew)
{
    test::scratch_folder scratch;
    const std::wstring folder = scratch / L"private";
    EXPECT_EQ(tal::create_protected_folder(folder), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(::GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    // A folder someone made first is never taken over.
    EXPECT_EQ(tal::create_protected_folder(folder), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    const std::wstring planted = scratch / L"planted";
    test::write_text(planted, "a file in the way");
    EXPECT_NE(tal::create_protected_folder(planted), static_cast<DWORD>(ERROR_SUCCESS));

    DWORD error = ERROR_GEN_FAILURE;
    const std::wstring made = uninstaller::make_private_folder(scratch.path(), error);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_FALSE(made.empty());
    EXPECT_EQ(made.rfind(scratch.path() + L"\\Vantrel-Uninstall-", 0), 0u) << test::narrow(made);
    EXPECT_EQ(made.size(), scratch.path().size() + 1 + 18 + 32);
    EXPECT_TRUE(::GetFileAttributesW(made.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace
