#include "support/advapi.h"

#include <aclapi.h>

#include <memory>
#include <string>

#include "support/hresult.h"

namespace tal {

HMODULE load_system_library(const wchar_t* name)
{
    std::wstring path = name;
    for (wchar_t& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    const bool absolute = (path.size() >= 3 && path[1] == L':' && path[2] == L'\\')
                          || (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\');
    if (absolute)
        return ::LoadLibraryW(path.c_str());
    // Never by name alone: the search would look beside the program (a Downloads folder)
    // before the system folder.
    const UINT length = ::GetSystemDirectoryW(nullptr, 0);
    std::wstring folder(length, L'\0');
    const UINT got = length ? ::GetSystemDirectoryW(folder.data(), length) : 0;
    if (got == 0 || got >= length)
        return nullptr;
    folder.resize(got);
    if (folder.back() != L'\\')
        folder += L'\\';
    return ::LoadLibraryW((folder + path).c_str());
}

namespace advapi {
namespace {

constexpr long e_notimpl = static_cast<long>(0x80004001);
constexpr long e_unexpected = static_cast<long>(0x8000FFFF);
constexpr long e_invalidarg = static_cast<long>(0x80070057);

HMODULE advapi32()
{
    static HMODULE module = nullptr;
    if (!module) {
        module = ::GetModuleHandleW(L"advapi32.dll");
        if (!module)
            module = load_system_library(L"advapi32.dll");
        if (!module)
            throw e_unexpected;
    }
    return module;
}

// The entry point `name` of type `F`, looked up on first use and cached; `Tag` keeps one
// cache per entry point. Only the type of the declared function is used, so nothing is
// imported from advapi32 at load time.
template <class Tag, class F>
F entry(const char* name)
{
    static F cache = nullptr;
    if (!cache) {
        cache = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(advapi32(), name)));
        if (!cache)
            throw e_notimpl;
    }
    return cache;
}

#define TAL_ENTRY(function) entry<struct function##_entry, decltype(&::function)>(#function)

void check(BOOL result)
{
    if (!result)
        throw_last_error();
}

} // namespace

void open_process_token(HANDLE process, DWORD access, HANDLE* token)
{
    check(TAL_ENTRY(OpenProcessToken)(process, access, token));
}

void open_thread_token(HANDLE thread, BOOL open_as_self, HANDLE* token)
{
    if (TAL_ENTRY(OpenThreadToken)(thread, TOKEN_QUERY, open_as_self, token))
        return;
    if (::GetLastError() != ERROR_NO_TOKEN)
        throw_last_error();
    open_process_token(::GetCurrentProcess(), TOKEN_QUERY, token);
}

void get_token_information(HANDLE token, void* buffer, DWORD length, DWORD* needed)
{
    if (TAL_ENTRY(GetTokenInformation)(token, TokenUser, buffer, length, needed))
        return;
    if (!buffer && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER)
        return;
    throw_last_error();
}

void lookup_privilege_value(const wchar_t* name, LUID* luid)
{
    check(TAL_ENTRY(LookupPrivilegeValueW)(nullptr, name, luid));
}

void adjust_token_privileges(HANDLE token, TOKEN_PRIVILEGES* state, DWORD length, TOKEN_PRIVILEGES* previous,
                             DWORD* previous_length)
{
    // Success leaves ERROR_NOT_ALL_ASSIGNED when the token lacks the privilege.
    ::SetLastError(ERROR_SUCCESS);
    const BOOL result = TAL_ENTRY(AdjustTokenPrivileges)(token, FALSE, state, length, previous, previous_length);
    if (!result || ::GetLastError() != ERROR_SUCCESS)
        throw_last_error();
}

void allocate_and_initialize_sid(SID_IDENTIFIER_AUTHORITY* authority, BYTE count, DWORD sub0, DWORD sub1, PSID* sid)
{
    check(TAL_ENTRY(AllocateAndInitializeSid)(authority, count, sub0, sub1, 0, 0, 0, 0, 0, 0, sid));
}

void copy_sid(DWORD length, PSID destination, PSID source)
{
    check(TAL_ENTRY(CopySid)(length, destination, source));
}

bool is_valid_sid(PSID sid)
{
    return sid && TAL_ENTRY(IsValidSid)(sid);
}

DWORD get_length_sid(PSID sid)
{
    if (!is_valid_sid(sid))
        throw e_invalidarg;
    return TAL_ENTRY(GetLengthSid)(sid);
}

bool equal_sid(PSID a, PSID b)
{
    if (!is_valid_sid(a) || !is_valid_sid(b))
        throw e_invalidarg;
    return TAL_ENTRY(EqualSid)(a, b) != FALSE;
}

bool free_sid(PSID sid) noexcept
{
    try {
        return TAL_ENTRY(FreeSid)(sid) == nullptr;
    } catch (long) {
        return false;
    }
}

void lookup_account_name(const wchar_t* account, PSID sid, DWORD* sid_length, wchar_t* domain, DWORD* domain_length,
                         SID_NAME_USE* use)
{
    if (TAL_ENTRY(LookupAccountNameW)(nullptr, account, sid, sid_length, domain, domain_length, use))
        return;
    if (!sid && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        *use = SidTypeInvalid;
        return;
    }
    throw_last_error();
}

void get_ace(PACL acl, DWORD index, void** ace)
{
    check(TAL_ENTRY(GetAce)(acl, index, ace));
}

void add_ace(PACL acl, void* aces, DWORD length)
{
    check(TAL_ENTRY(AddAce)(acl, ACL_REVISION, MAXDWORD, aces, length));
}

void add_access_allowed_ace(PACL acl, DWORD mask, PSID sid)
{
    check(TAL_ENTRY(AddAccessAllowedAce)(acl, ACL_REVISION, mask, sid));
}

void initialize_security_descriptor(PSECURITY_DESCRIPTOR descriptor)
{
    check(TAL_ENTRY(InitializeSecurityDescriptor)(descriptor, SECURITY_DESCRIPTOR_REVISION));
}

void initialize_acl(PACL acl, DWORD length)
{
    check(TAL_ENTRY(InitializeAcl)(acl, length, ACL_REVISION));
}

void get_acl_information(PACL acl, ACL_SIZE_INFORMATION* information)
{
    check(TAL_ENTRY(GetAclInformation)(acl, information, sizeof(ACL_SIZE_INFORMATION), AclSizeInformation));
}

void get_security_descriptor_dacl(PSECURITY_DESCRIPTOR descriptor, BOOL* present, PACL* dacl, BOOL* defaulted)
{
    check(TAL_ENTRY(GetSecurityDescriptorDacl)(descriptor, present, dacl, defaulted));
}

void set_security_descriptor_dacl(PSECURITY_DESCRIPTOR descriptor, PACL dacl)
{
    check(TAL_ENTRY(SetSecurityDescriptorDacl)(descriptor, TRUE, dacl, FALSE));
}

void set_security_descriptor_group(PSECURITY_DESCRIPTOR descriptor, PSID group)
{
    check(TAL_ENTRY(SetSecurityDescriptorGroup)(descriptor, group, FALSE));
}

void set_security_descriptor_owner(PSECURITY_DESCRIPTOR descriptor, PSID owner)
{
    check(TAL_ENTRY(SetSecurityDescriptorOwner)(descriptor, owner, FALSE));
}

void get_security_descriptor_control(PSECURITY_DESCRIPTOR descriptor, SECURITY_DESCRIPTOR_CONTROL* control,
                                     DWORD* revision)
{
    check(TAL_ENTRY(GetSecurityDescriptorControl)(descriptor, control, revision));
}

void set_security_descriptor_control(PSECURITY_DESCRIPTOR descriptor, SECURITY_DESCRIPTOR_CONTROL mask,
                                     SECURITY_DESCRIPTOR_CONTROL bits)
{
    check(TAL_ENTRY(SetSecurityDescriptorControl)(descriptor, mask, bits));
}

bool is_valid_security_descriptor(PSECURITY_DESCRIPTOR descriptor)
{
    return TAL_ENTRY(IsValidSecurityDescriptor)(descriptor) != FALSE;
}

void check_token_membership(PSID sid, BOOL* is_member)
{
    check(TAL_ENTRY(CheckTokenMembership)(nullptr, sid, is_member));
}

void access_check(PSECURITY_DESCRIPTOR descriptor, HANDLE token, GENERIC_MAPPING* mapping, PRIVILEGE_SET* privileges,
                  DWORD* privileges_length, DWORD* granted, BOOL* status)
{
    check(TAL_ENTRY(AccessCheck)(descriptor, token, 1, mapping, privileges, privileges_length, granted, status));
}

void get_file_security(const wchar_t* path, PSECURITY_DESCRIPTOR descriptor, DWORD length, DWORD* needed)
{
    if (TAL_ENTRY(GetFileSecurityW)(path, DACL_SECURITY_INFORMATION, descriptor, length, needed))
        return;
    if (!descriptor && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER)
        return;
    throw_last_error();
}

void set_file_security(const wchar_t* path, PSECURITY_DESCRIPTOR descriptor)
{
    check(TAL_ENTRY(SetFileSecurityW)(path, DACL_SECURITY_INFORMATION, descriptor));
}

// The two calls of the access-control API answer an error code instead of setting the last error.
void check_status(DWORD status)
{
    if (status != ERROR_SUCCESS)
        throw hresult_from_error(static_cast<long>(status));
}

void get_security_info(HANDLE object, PACL* dacl, PSECURITY_DESCRIPTOR* descriptor)
{
    check_status(TAL_ENTRY(GetSecurityInfo)(object, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                            dacl, nullptr, descriptor));
}

void set_security_info(HANDLE object, SECURITY_INFORMATION information, PACL dacl)
{
    check_status(TAL_ENTRY(SetSecurityInfo)(object, SE_FILE_OBJECT, information, nullptr, nullptr, dacl, nullptr));
}

void impersonate_self()
{
    check(TAL_ENTRY(ImpersonateSelf)(SecurityImpersonation));
}

BOOL revert_to_self() noexcept
{
    try {
        return TAL_ENTRY(RevertToSelf)();
    } catch (long) {
        ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return FALSE;
    }
}

#undef TAL_ENTRY

} // namespace advapi
} // namespace tal
