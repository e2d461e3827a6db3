// The run's private folder: the descriptor it is made with, read back entry by entry, and
// its creation, which refuses a name that exists already.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <set>
#include <string>

#include "holders/handles.h"
#include "sid_text.h"
#include "support/protected_descriptor.h"
#include "support/protected_folder.h"

namespace {

using test::sid_text;
const auto narrow = test::ascii;

// The SIDs, masks and flags of a DACL's access-allowed entries; any other kind of entry fails.
struct dacl_entries {
    std::set<std::wstring> sids;
    std::set<DWORD> masks;
    std::set<BYTE> flags;
    DWORD count = 0;
};

dacl_entries read_dacl(PACL dacl)
{
    dacl_entries entries;
    ACL_SIZE_INFORMATION size{};
    EXPECT_TRUE(::GetAclInformation(dacl, &size, sizeof size, AclSizeInformation));
    entries.count = size.AceCount;
    for (DWORD i = 0; i < size.AceCount; ++i) {
        void* raw = nullptr;
        EXPECT_TRUE(::GetAce(dacl, i, &raw));
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE) << i;
        entries.sids.insert(sid_text(const_cast<DWORD*>(&ace->SidStart)));
        entries.masks.insert(ace->Mask);
        entries.flags.insert(ace->Header.AceFlags);
    }
    return entries;
}

// A folder below TEMP that no earlier run left behind.
class ProtectedFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH] = {};
        ASSERT_NE(::GetTempPathW(MAX_PATH, temp), 0u);
        parent = std::wstring(temp) + L"vantrel-protected-" + std::to_wstring(::GetCurrentProcessId());
        ASSERT_TRUE(::CreateDirectoryW(parent.c_str(), nullptr));
    }
    void TearDown() override
    {
        ::DeleteFileW((parent + L"\\a file").c_str());
        ::RemoveDirectoryW((parent + L"\\made").c_str());
        ::RemoveDirectoryW(parent.c_str());
    }
    std::wstring parent;
};

TEST(ProtectedFolderDescriptor, SystemAndAdministratorsOnlyHandedDownNothingInherited)
{
    const tal::security_descriptor_block block = tal::private_folder_descriptor();
    const PSECURITY_DESCRIPTOR descriptor = block.descriptor.get();
    ASSERT_TRUE(::IsValidSecurityDescriptor(descriptor));

    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(::GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED);
    EXPECT_TRUE(control & SE_DACL_PRESENT);
    EXPECT_FALSE(control & SE_DACL_DEFAULTED);
    EXPECT_FALSE(control & SE_DACL_AUTO_INHERITED);

    BOOL present = FALSE, defaulted = TRUE;
    PACL dacl = nullptr;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    ASSERT_TRUE(present);
    ASSERT_NE(dacl, nullptr); // a null DACL would let everyone in
    EXPECT_FALSE(defaulted);
    const dacl_entries entries = read_dacl(dacl);
    EXPECT_EQ(entries.count, 2u);
    EXPECT_EQ(entries.sids, (std::set<std::wstring>{L"S-1-5-18", L"S-1-5-32-544"}));
    EXPECT_EQ(entries.masks, std::set<DWORD>{FILE_ALL_ACCESS});
    // Handed down to files and folders alike, applying to the folder itself too, not inherited.
    EXPECT_EQ(entries.flags, std::set<BYTE>{OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE});

    // The current user (Wine's token user) is neither entry: the folder is not the user's.
    HANDLE raw = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw));
    const tal::unique_handle token(raw);
    BYTE buffer[256] = {};
    DWORD needed = 0;
    ASSERT_TRUE(::GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &needed));
    EXPECT_EQ(entries.sids.count(sid_text(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid)), 0u);
}

TEST_F(ProtectedFolder, CreatedWhereNothingIsElseRefused)
{
    const std::wstring made = parent + L"\\made";
    EXPECT_EQ(tal::create_protected_folder(made), static_cast<DWORD>(ERROR_SUCCESS));
    const DWORD attributes = ::GetFileAttributesW(made.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);

    // What the folder says about itself. Wine keeps no DACL on files (it maps one to mode
    // bits), so a descriptor that does not come back protected is only reported there.
    DWORD size = 0;
    ::GetFileSecurityW(made.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    if (size > 0) {
        std::unique_ptr<BYTE[]> stored(new BYTE[size]());
        ASSERT_TRUE(::GetFileSecurityW(made.c_str(), DACL_SECURITY_INFORMATION, stored.get(), size, &size));
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        ASSERT_TRUE(::GetSecurityDescriptorControl(stored.get(), &control, &revision));
        BOOL present = FALSE, defaulted = FALSE;
        PACL dacl = nullptr;
        ASSERT_TRUE(::GetSecurityDescriptorDacl(stored.get(), &present, &dacl, &defaulted));
        if (!(control & SE_DACL_PROTECTED) || !present || !dacl) {
            std::cout << "[ note ] Wine did not keep the folder's DACL; only the created folder is checked\n";
        } else {
            const dacl_entries entries = read_dacl(dacl);
            EXPECT_EQ(entries.sids, (std::set<std::wstring>{L"S-1-5-18", L"S-1-5-32-544"}));
        }
    }

    // A name that is taken, by a folder or a file, is not taken over; nor is a missing parent made.
    const std::wstring file = parent + L"\\a file";
    const HANDLE created = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(created, INVALID_HANDLE_VALUE);
    ::CloseHandle(created);
    struct {
        std::wstring path;
        DWORD error;
    } const cases[] = {
        {made, ERROR_ALREADY_EXISTS},
        {file, ERROR_ALREADY_EXISTS},
        {parent, ERROR_ALREADY_EXISTS},
        {parent + L"\\missing\\below", ERROR_PATH_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.path));
        EXPECT_EQ(tal::create_protected_folder(c.path), c.error);
    }
    EXPECT_FALSE(::GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace
