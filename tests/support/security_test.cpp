// Rights and privileges under Wine: SIDs, DACLs, descriptors, the administrator test,
// privileges, and the Users entry that installed files get.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/advapi.h"
#include "holders/handles.h"
#include "sid_text.h"
#include "support/hresult.h"
#include "support/security.h"

namespace {

using test::sid_text;
const auto narrow = test::ascii;

TEST(Hresult, OfLastErrorValues)
{
    const std::vector<std::pair<long, long>> cases{{0, 0},
                                                   {ERROR_ACCESS_DENIED, static_cast<long>(0x80070005)},
                                                   {ERROR_NOT_ALL_ASSIGNED, static_cast<long>(0x80070514)},
                                                   {0x12345, static_cast<long>(0x80072345)},
                                                   {-5, -5},
                                                   {static_cast<long>(0x80004005), static_cast<long>(0x80004005)}};
    for (const auto& [error, expected] : cases)
        EXPECT_EQ(tal::hresult_from_error(error), expected) << error;

    ::SetLastError(ERROR_FILE_NOT_FOUND);
    try {
        tal::throw_last_error();
    } catch (long value) {
        EXPECT_EQ(value, static_cast<long>(0x80070002));
    }
}

TEST(WellKnownSid, FixedSidsComeFromTheSystemAllocator)
{
    const std::vector<std::pair<tal::sid_kind, std::wstring>> cases{{tal::sid_kind::everyone, L"S-1-1-0"},
                                                                    {tal::sid_kind::administrators, L"S-1-5-32-544"},
                                                                    {tal::sid_kind::users, L"S-1-5-32-545"},
                                                                    {tal::sid_kind::authenticated_users, L"S-1-5-11"}};
    for (const auto& [kind, text] : cases) {
        const tal::sid_holder sid = tal::well_known_sid(kind);
        EXPECT_EQ(sid_text(sid.get()), text);
        EXPECT_FALSE(sid.allocated_by_new());
    }
}

TEST(WellKnownSid, UserSidsAreTheLibrarysOwnCopies)
{
    const tal::sid_holder token = tal::well_known_sid(tal::sid_kind::token_user);
    EXPECT_TRUE(token.allocated_by_new());
    EXPECT_TRUE(::IsValidSid(token.get()));

    HANDLE raw = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw));
    const tal::unique_handle process_token(raw);
    BYTE buffer[256];
    DWORD size = 0;
    ASSERT_TRUE(::GetTokenInformation(process_token.get(), TokenUser, buffer, sizeof buffer, &size));
    EXPECT_EQ(sid_text(token.get()), sid_text(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid));

    try {
        const tal::sid_holder account = tal::well_known_sid(tal::sid_kind::current_user_account);
        EXPECT_TRUE(account.allocated_by_new());
        EXPECT_EQ(sid_text(account.get()), sid_text(token.get()));
    } catch (long error) {
        GTEST_SKIP() << "Wine does not look up the current account by name (" << std::hex << error << ")";
    }
}

TEST(SecurityBlocks, SingleAceDaclAndFreshDescriptor)
{
    const tal::sid_holder users = tal::well_known_sid(tal::sid_kind::users);
    const tal::byte_block dacl = tal::make_single_ace_dacl(users.get(), 0x13019F);
    const auto acl = reinterpret_cast<PACL>(dacl.get());
    ASSERT_TRUE(::IsValidAcl(acl));
    EXPECT_EQ(acl->AceCount, 1);
    EXPECT_EQ(acl->AclSize, 8 + 8 + ::GetLengthSid(users.get()));
    void* ace = nullptr;
    ASSERT_TRUE(::GetAce(acl, 0, &ace));
    const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    EXPECT_EQ(allowed->Header.AceFlags, 0);
    EXPECT_EQ(allowed->Mask, 0x13019Fu);
    EXPECT_TRUE(::EqualSid(const_cast<DWORD*>(&allowed->SidStart), users.get()));

    const tal::byte_block descriptor = tal::new_security_descriptor();
    EXPECT_TRUE(::IsValidSecurityDescriptor(descriptor.get()));
    EXPECT_EQ(sizeof(SECURITY_DESCRIPTOR), 20u);
    EXPECT_EQ(descriptor[0], SECURITY_DESCRIPTOR_REVISION);
}

TEST(SecurityBlocks, InvalidSidsAreInvalidArguments)
{
    BYTE garbage[16] = {0xFF};
    try {
        tal::advapi::get_length_sid(garbage);
        FAIL() << "measured an invalid SID";
    } catch (long error) {
        EXPECT_EQ(error, static_cast<long>(0x80070057));
    }
    EXPECT_FALSE(tal::advapi::is_valid_sid(nullptr));
}

TEST(Administrator, BothMethodsAgreeUnderWine)
{
    // Wine runs every program as an administrator.
    EXPECT_TRUE(tal::is_user_admin());
    EXPECT_TRUE(tal::is_admin_by_access_check());
}

// The attributes of a privilege in this process's token; nothing when the token lacks it.
std::optional<DWORD> token_privilege(const wchar_t* name)
{
    HANDLE raw = nullptr;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw);
    const tal::unique_handle token(raw);
    LUID luid{};
    if (!::LookupPrivilegeValueW(nullptr, name, &luid))
        return std::nullopt;
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    ::GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), size, &size);
    const auto* privileges = reinterpret_cast<TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const LUID& l = privileges->Privileges[i].Luid;
        if (l.LowPart == luid.LowPart && l.HighPart == luid.HighPart)
            return privileges->Privileges[i].Attributes;
    }
    return std::nullopt;
}

TEST(Administrator, FilteredTokenIsNoAdministrator)
{
    // As under User Account Control: the Administrators group present only for denial.
    HANDLE raw = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, &raw));
    const tal::unique_handle process_token(raw);
    const tal::sid_holder admins = tal::well_known_sid(tal::sid_kind::administrators);
    SID_AND_ATTRIBUTES deny{admins.get(), 0};
    HANDLE filtered_raw = nullptr;
    if (!::CreateRestrictedToken(process_token.get(), 0, 1, &deny, 0, nullptr, 0, nullptr, &filtered_raw))
        GTEST_SKIP() << "Wine cannot make a filtered token (error " << ::GetLastError() << ")";
    const tal::unique_handle filtered(filtered_raw);
    HANDLE impersonation_raw = nullptr;
    ASSERT_TRUE(::DuplicateToken(filtered.get(), SecurityImpersonation, &impersonation_raw));
    const tal::unique_handle impersonation(impersonation_raw);

    // Whether the system itself honours the deny-only group, asked of the token directly.
    BOOL system_says_member = TRUE;
    ASSERT_TRUE(::CheckTokenMembership(impersonation.get(), admins.get(), &system_says_member));

    ASSERT_TRUE(::SetThreadToken(nullptr, impersonation.get()));
    const bool admin = tal::is_user_admin();
    ::RevertToSelf();
    if (system_says_member)
        GTEST_SKIP() << "Wine ignores deny-only groups in CheckTokenMembership (the library said "
                     << (admin ? "administrator" : "no administrator") << ")";
    EXPECT_FALSE(admin);
}

bool privilege_enabled(const wchar_t* name)
{
    const std::optional<DWORD> attributes = token_privilege(name);
    return attributes && (*attributes & SE_PRIVILEGE_ENABLED);
}

TEST(Privileges, EnableAndDisableAgain)
{
    ASSERT_TRUE(tal::set_privilege(L"SeBackupPrivilege", true));
    EXPECT_TRUE(privilege_enabled(L"SeBackupPrivilege"));
    ASSERT_TRUE(tal::set_privilege(L"SeBackupPrivilege", false));
    EXPECT_FALSE(privilege_enabled(L"SeBackupPrivilege"));
    EXPECT_TRUE(tal::set_privilege(L"SeRestorePrivilege", true));
    EXPECT_FALSE(tal::set_privilege(L"SeNoSuchPrivilege", true));
}

TEST(Privileges, NotHeldIsRefused)
{
    for (const wchar_t* name : {L"SeCreateTokenPrivilege", L"SeTcbPrivilege", L"SeAssignPrimaryTokenPrivilege",
                                L"SeTrustedCredManAccessPrivilege", L"SeRelabelPrivilege", L"SeLockMemoryPrivilege",
                                L"SeMachineAccountPrivilege", L"SeSyncAgentPrivilege", L"SeEnableDelegationPrivilege"}) {
        LUID known{};
        if (::LookupPrivilegeValueW(nullptr, name, &known) && !token_privilege(name)) {
            EXPECT_FALSE(tal::set_privilege(name, true));
            EXPECT_FALSE(privilege_enabled(name));
            return;
        }
    }
    GTEST_SKIP() << "Wine's administrator token holds every privilege tried";
}

TEST(LoadSystemLibrary, PrefersTheSystemFolder)
{
    wchar_t system[MAX_PATH];
    ::GetSystemDirectoryW(system, MAX_PATH);
    const tal::unique_hmodule version(tal::load_system_library(L"version.dll"));
    ASSERT_TRUE(version);
    wchar_t path[MAX_PATH];
    ::GetModuleFileNameW(version.get(), path, MAX_PATH);
    EXPECT_EQ(::CompareStringOrdinal(path, static_cast<int>(wcslen(system)), system, -1, TRUE), CSTR_EQUAL)
        << narrow(path);

    const std::wstring slashed = std::wstring(system) + L"/secur32.dll";
    std::wstring forward = slashed;
    for (wchar_t& c : forward)
        if (c == L'\\')
            c = L'/';
    const tal::unique_hmodule absolute(tal::load_system_library(forward.c_str()));
    EXPECT_TRUE(absolute);
    EXPECT_FALSE(tal::unique_hmodule(tal::load_system_library(L"no-such-library.dll")));
}

TEST(LoadSystemLibrary, NeverSearchesBesideTheProgram)
{
    // Let the search by name look beside this program again, as it does where the
    // system cannot restrict it; the system folder's copy must still be the only one tried.
    using set_default_dll_directories = BOOL(WINAPI*)(DWORD);
    const auto set_default = reinterpret_cast<set_default_dll_directories>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (set_default) {
        ASSERT_TRUE(set_default(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS));
    }
    // A module of the tests that lies beside this program and nowhere in the system folder.
    const tal::unique_hmodule beside(tal::load_system_library(L"version_release.dll"));
    const DWORD error = ::GetLastError();
    const tal::unique_hmodule by_search(::LoadLibraryW(L"version_release.dll"));
    if (set_default)
        set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
    EXPECT_FALSE(beside);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_TRUE(by_search) << "the module is not where the search looks: the check above proves nothing";
}

// --- The DACL that grant_users_access writes, from hand-made descriptors. ---

struct local_descriptor {
    PSECURITY_DESCRIPTOR p = nullptr;
    explicit local_descriptor(const wchar_t* sddl)
    {
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &p, nullptr))
            throw std::runtime_error("bad SDDL");
    }
    ~local_descriptor() { ::LocalFree(p); }
};

struct ace_view {
    std::wstring sid;
    DWORD mask;
    BYTE flags;
};

std::vector<ace_view> aces_of(PSECURITY_DESCRIPTOR descriptor, SECURITY_DESCRIPTOR_CONTROL* control = nullptr)
{
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    if (control) {
        DWORD revision = 0;
        ::GetSecurityDescriptorControl(descriptor, control, &revision);
    }
    std::vector<ace_view> aces;
    for (DWORD i = 0; present && dacl && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        ::GetAce(dacl, i, &ace);
        const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        aces.push_back({sid_text(const_cast<DWORD*>(&allowed->SidStart)), allowed->Mask, allowed->Header.AceFlags});
    }
    return aces;
}

struct dacl_case {
    const char* name;
    const wchar_t* sddl;
    std::vector<ace_view> expected;
    SECURITY_DESCRIPTOR_CONTROL expected_control; // of the protection and inheritance bits
};

void PrintTo(const dacl_case& c, std::ostream* os)
{
    *os << c.name;
}

class UsersAccess : public ::testing::TestWithParam<dacl_case> {};

constexpr DWORD modify = 0x13019F;
constexpr SECURITY_DESCRIPTOR_CONTROL inheritance_bits = SE_DACL_AUTO_INHERIT_REQ | SE_DACL_AUTO_INHERITED | SE_DACL_PROTECTED;

TEST_P(UsersAccess, ExplicitFirstOneUsersEntryInheritedAfter)
{
    const dacl_case& c = GetParam();
    const local_descriptor current(c.sddl);
    const tal::sid_holder users = tal::well_known_sid(tal::sid_kind::users);

    const tal::security_descriptor_block result =
        tal::users_access_descriptor(current.p, users.get(), modify);

    ASSERT_TRUE(::IsValidSecurityDescriptor(result.descriptor.get()));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    const std::vector<ace_view> aces = aces_of(result.descriptor.get(), &control);
    ASSERT_EQ(aces.size(), c.expected.size());
    for (std::size_t i = 0; i < aces.size(); ++i) {
        EXPECT_EQ(aces[i].sid, c.expected[i].sid) << i;
        EXPECT_EQ(aces[i].mask, c.expected[i].mask) << i;
        EXPECT_EQ(aces[i].flags, c.expected[i].flags) << i;
    }
    EXPECT_EQ(control & inheritance_bits, c.expected_control);
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, UsersAccess,
    ::testing::Values(
        dacl_case{"ExplicitAndInherited",
                  L"D:AI(A;;FA;;;BA)(A;;0x1200a9;;;BU)(A;;FR;;;WD)(A;ID;FA;;;SY)(A;ID;0x1200a9;;;BU)",
                  {{L"S-1-5-32-544", FILE_ALL_ACCESS, 0},
                   {L"S-1-1-0", FILE_GENERIC_READ, 0},
                   {L"S-1-5-32-545", modify, 0},
                   {L"S-1-5-18", FILE_ALL_ACCESS, INHERITED_ACE}},
                  SE_DACL_AUTO_INHERIT_REQ | SE_DACL_AUTO_INHERITED},
        dacl_case{"OnlyInherited",
                  L"D:AI(A;ID;FA;;;BA)(A;OICIID;FA;;;SY)",
                  {{L"S-1-5-32-545", modify, 0},
                   {L"S-1-5-32-544", FILE_ALL_ACCESS, INHERITED_ACE},
                   {L"S-1-5-18", FILE_ALL_ACCESS, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE | INHERITED_ACE}},
                  SE_DACL_AUTO_INHERIT_REQ | SE_DACL_AUTO_INHERITED},
        dacl_case{"Protected",
                  L"D:P(A;;FA;;;BA)(A;;FR;;;BU)",
                  {{L"S-1-5-32-544", FILE_ALL_ACCESS, 0}, {L"S-1-5-32-545", modify, 0}},
                  SE_DACL_PROTECTED},
        dacl_case{"NullDacl", L"D:NO_ACCESS_CONTROL", {{L"S-1-5-32-545", modify, 0}}, 0},
        dacl_case{"NoDacl", L"O:BA", {{L"S-1-5-32-545", modify, 0}}, 0},
        dacl_case{"EmptyDacl", L"D:", {{L"S-1-5-32-545", modify, 0}}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// A file in the installing user's own profile: the entry is the user's, and the Users group's
// entries stay as they were.
TEST(InstallingUserAccess, OneEntryForTheTokenUserUsersUntouched)
{
    const tal::sid_holder user = tal::well_known_sid(tal::sid_kind::token_user);
    const std::wstring me = sid_text(user.get());
    ASSERT_NE(me, L"S-1-5-32-545");
    struct {
        const char* name;
        std::wstring sddl;
        std::vector<ace_view> expected;
    } const cases[] = {
        {"ExplicitUsersStays", L"D:AI(A;;FA;;;BA)(A;;0x1200a9;;;BU)(A;ID;FA;;;SY)",
         {{L"S-1-5-32-544", FILE_ALL_ACCESS, 0},
          {L"S-1-5-32-545", FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, 0},
          {me, modify, 0},
          {L"S-1-5-18", FILE_ALL_ACCESS, INHERITED_ACE}}},
        {"UsersOwnEntryReplaced", L"D:(A;;FR;;;" + me + L")(A;;FA;;;BA)",
         {{L"S-1-5-32-544", FILE_ALL_ACCESS, 0}, {me, modify, 0}}},
        {"NullDacl", L"D:NO_ACCESS_CONTROL", {{me, modify, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const local_descriptor current(c.sddl.c_str());
        const tal::security_descriptor_block result = tal::access_descriptor(current.p, tal::sid_kind::token_user, modify);
        ASSERT_TRUE(::IsValidSecurityDescriptor(result.descriptor.get()));
        const std::vector<ace_view> aces = aces_of(result.descriptor.get());
        ASSERT_EQ(aces.size(), c.expected.size());
        for (std::size_t i = 0; i < aces.size(); ++i) {
            EXPECT_EQ(aces[i].sid, c.expected[i].sid) << i;
            EXPECT_EQ(aces[i].mask, c.expected[i].mask) << i;
            EXPECT_EQ(aces[i].flags, c.expected[i].flags) << i;
        }
    }
    // The Users group's descriptor is the same rewrite with the group's SID.
    const local_descriptor current(L"D:(A;;FA;;;BA)");
    const std::vector<ace_view> users = aces_of(tal::access_descriptor(current.p, tal::sid_kind::users, modify).descriptor.get());
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(users[1].sid, L"S-1-5-32-545");
}

TEST(GrantOnHandle, SetOnTheOpenedFile)
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring file = std::wstring(temp) + L"vantrel-handle-grant-" + std::to_wstring(::GetCurrentProcessId());
    constexpr DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const tal::unique_hfile opened(::CreateFileW(file.c_str(), READ_CONTROL | WRITE_DAC, share_all, nullptr,
                                                 CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    ASSERT_TRUE(opened);
    EXPECT_TRUE(tal::grant_access(opened.get(), tal::sid_kind::users, modify));
    EXPECT_TRUE(tal::grant_access(opened.get(), tal::sid_kind::token_user, modify));
    // A handle without the right to change the DACL is refused, not worked around by name.
    const tal::unique_hfile reader(::CreateFileW(file.c_str(), READ_CONTROL, share_all, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(reader);
    EXPECT_FALSE(tal::grant_access(reader.get(), tal::sid_kind::users, modify));
    // Wine keeps no DACL on files: what was written cannot be read back here.
}

TEST(UsersAccessOnDisk, RealFilesAndFolders)
{
    // Wine keeps no DACL on files (it maps one to mode bits), so only the calls are checked
    // here; the DACL itself is checked above.
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"vantrel-grant-" + std::to_wstring(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring file = folder + L"\\data.bin";
    ASSERT_TRUE(tal::unique_hfile(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)));

    EXPECT_TRUE(tal::grant_users_access(file.c_str(), modify));
    EXPECT_TRUE(tal::grant_users_access(folder.c_str(), modify));
    EXPECT_FALSE(tal::grant_users_access((folder + L"\\missing.bin").c_str(), modify));

    ::DeleteFileW(file.c_str());
    ::RemoveDirectoryW(folder.c_str());
}

} // namespace
