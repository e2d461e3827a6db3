#include "support/security.h"

#define SECURITY_WIN32
#include <secext.h>

#include <new>
#include <string>
#include <utility>

#include "support/advapi.h"
#include "holders/handles.h"
#include "support/hresult.h"

namespace tal {
namespace {


constexpr long e_unexpected = static_cast<long>(0x8000FFFF);
constexpr long e_notimpl = static_cast<long>(0x80004001);
constexpr long e_outofmemory = static_cast<long>(0x8007000E);

// The two rights of the private descriptor that the access check tests.
constexpr DWORD access_read = 1;
constexpr DWORD access_write = 2;

// A SID copied into a block of the library's own, released with delete.
sid_holder copy_to_new(PSID source)
{
    const DWORD length = advapi::get_length_sid(source);
    byte_block block = allocate_block(length);
    advapi::copy_sid(length, block.get(), source);
    return sid_holder(block.release(), true);
}

// The current user's name, as "DOMAIN\user" where the system can say so.
std::wstring current_user_name()
{
    using get_user_name_ex = BOOLEAN(WINAPI*)(EXTENDED_NAME_FORMAT, LPWSTR, PULONG);
    const unique_hmodule secur32(load_system_library(L"secur32.dll"));
    if (secur32) {
        const auto function = reinterpret_cast<get_user_name_ex>(
            reinterpret_cast<void*>(::GetProcAddress(secur32.get(), "GetUserNameExW")));
        ULONG length = 0;
        if (function) {
            function(NameSamCompatible, nullptr, &length);
            std::wstring name(length, L'\0');
            if (length && function(NameSamCompatible, name.data(), &length)) {
                name.resize(length);
                return name;
            }
        }
    }
    DWORD length = 0;
    ::GetUserNameW(nullptr, &length);
    std::wstring name(length, L'\0');
    if (!length || !::GetUserNameW(name.data(), &length))
        throw_last_error();
    name.resize(length ? length - 1 : 0);
    return name;
}

sid_holder account_sid()
{
    const std::wstring name = current_user_name();
    DWORD sid_length = 0, domain_length = 0;
    SID_NAME_USE use = SidTypeInvalid;
    advapi::lookup_account_name(name.c_str(), nullptr, &sid_length, nullptr, &domain_length, &use);
    byte_block sid = allocate_block(sid_length);
    std::wstring domain(domain_length + 1, L'\0');
    advapi::lookup_account_name(name.c_str(), sid.get(), &sid_length, domain.data(), &domain_length, &use);
    if (use != SidTypeUser)
        throw e_unexpected;
    return sid_holder(sid.release(), true);
}

sid_holder token_user_sid()
{
    unique_handle token;
    advapi::open_thread_token(::GetCurrentThread(), TRUE, token.put());
    DWORD size = 0;
    advapi::get_token_information(token.get(), nullptr, 0, &size);
    byte_block information = allocate_block(size);
    advapi::get_token_information(token.get(), information.get(), size, &size);
    return copy_to_new(reinterpret_cast<TOKEN_USER*>(information.get())->User.Sid);
}

sid_holder authority_sid(BYTE authority_value, BYTE count, DWORD sub0, DWORD sub1)
{
    SID_IDENTIFIER_AUTHORITY authority = {{0, 0, 0, 0, 0, authority_value}};
    PSID sid = nullptr;
    advapi::allocate_and_initialize_sid(&authority, count, sub0, sub1, &sid);
    return sid_holder(sid, false);
}

// The thread impersonates its own process's token until the end of the scope, whichever way
// the scope is left. Throws as the wrappers do when the impersonation cannot start.
class self_impersonation {
public:
    self_impersonation() { advapi::impersonate_self(); }
    ~self_impersonation() { advapi::revert_to_self(); }
    self_impersonation(const self_impersonation&) = delete;
    self_impersonation& operator=(const self_impersonation&) = delete;
};

// A block the system allocated with LocalAlloc.
using unique_hlocal = unique_any<details::win32_traits<void*, &::LocalFree, intptr_t{0}>>;

// The SID that an ACE holds, after its header and access mask.
PSID ace_sid(void* ace)
{
    return static_cast<BYTE*>(ace) + sizeof(ACE_HEADER) + sizeof(ACCESS_MASK);
}

} // namespace

byte_block allocate_block(std::size_t size)
{
    byte_block block(new (std::nothrow) BYTE[size]());
    if (!block)
        throw e_outofmemory;
    return block;
}

sid_holder::sid_holder(sid_holder&& other) noexcept
    : sid_(std::exchange(other.sid_, nullptr)), allocated_by_new_(other.allocated_by_new_)
{
}

sid_holder& sid_holder::operator=(sid_holder&& other) noexcept
{
    if (this != &other) {
        reset();
        sid_ = std::exchange(other.sid_, nullptr);
        allocated_by_new_ = other.allocated_by_new_;
    }
    return *this;
}

sid_holder::~sid_holder()
{
    reset();
}

void sid_holder::reset() noexcept
{
    if (!sid_)
        return;
    if (allocated_by_new_)
        delete[] static_cast<BYTE*>(sid_);
    else
        advapi::free_sid(sid_);
    sid_ = nullptr;
}

sid_holder well_known_sid(sid_kind kind)
{
    switch (kind) {
    case sid_kind::everyone: return authority_sid(1, 1, SECURITY_WORLD_RID, 0);
    case sid_kind::administrators:
        return authority_sid(5, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
    case sid_kind::users: return authority_sid(5, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS);
    case sid_kind::authenticated_users: return authority_sid(5, 1, SECURITY_AUTHENTICATED_USER_RID, 0);
    case sid_kind::current_user_account: return account_sid();
    case sid_kind::token_user: return token_user_sid();
    }
    throw e_unexpected;
}

byte_block make_single_ace_dacl(PSID sid, DWORD mask)
{
    const DWORD size = advapi::get_length_sid(sid) + sizeof(ACL) + sizeof(ACE_HEADER) + sizeof(ACCESS_MASK);
    byte_block dacl = allocate_block(size);
    advapi::initialize_acl(reinterpret_cast<PACL>(dacl.get()), size);
    advapi::add_access_allowed_ace(reinterpret_cast<PACL>(dacl.get()), mask, sid);
    return dacl;
}

byte_block new_security_descriptor()
{
    byte_block descriptor = allocate_block(sizeof(SECURITY_DESCRIPTOR));
    advapi::initialize_security_descriptor(descriptor.get());
    return descriptor;
}

bool is_admin_by_access_check()
{
    try {
        const self_impersonation impersonation;
        unique_handle token;
        advapi::open_thread_token(::GetCurrentThread(), FALSE, token.put());
        const sid_holder admins = well_known_sid(sid_kind::administrators);
        const byte_block dacl = make_single_ace_dacl(admins.get(), access_read | access_write);
        const byte_block descriptor = new_security_descriptor();
        advapi::set_security_descriptor_dacl(descriptor.get(), reinterpret_cast<PACL>(dacl.get()));
        advapi::set_security_descriptor_group(descriptor.get(), admins.get());
        advapi::set_security_descriptor_owner(descriptor.get(), admins.get());
        if (!advapi::is_valid_security_descriptor(descriptor.get()))
            throw e_unexpected;
        GENERIC_MAPPING mapping = {access_read, access_write, 0, access_read | access_write};
        BYTE privileges[20] = {};
        DWORD privileges_length = sizeof privileges;
        DWORD granted = 0;
        BOOL status = FALSE;
        advapi::access_check(descriptor.get(), token.get(), &mapping, reinterpret_cast<PRIVILEGE_SET*>(privileges),
                             &privileges_length, &granted, &status);
        return status != FALSE;
    } catch (long) {
        return false;
    }
}

security_descriptor_block users_access_descriptor(PSECURITY_DESCRIPTOR current, PSID users, DWORD mask)
{
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    advapi::get_security_descriptor_dacl(current, &present, &dacl, &defaulted);
    ACL_SIZE_INFORMATION size = {0, sizeof(ACL), 0};
    if (present && dacl)
        advapi::get_acl_information(dacl, &size);
    else
        present = FALSE;

    const DWORD new_size = size.AclBytesInUse + sizeof(ACE_HEADER) + sizeof(ACCESS_MASK) + advapi::get_length_sid(users);
    security_descriptor_block result;
    result.dacl = allocate_block(new_size);
    const auto new_dacl = reinterpret_cast<PACL>(result.dacl.get());
    advapi::initialize_acl(new_dacl, new_size);

    // Explicit entries first, then the Users entry, then the inherited ones; any Users entry
    // of the old DACL gives way to the new one.
    DWORD index = 0;
    const bool copy = present && size.AceCount > 0;
    if (copy) {
        for (; index < size.AceCount; ++index) {
            void* ace = nullptr;
            advapi::get_ace(dacl, index, &ace);
            if (static_cast<ACE_HEADER*>(ace)->AceFlags & INHERITED_ACE)
                break;
            if (!advapi::equal_sid(ace_sid(ace), users))
                advapi::add_ace(new_dacl, ace, static_cast<ACE_HEADER*>(ace)->AceSize);
        }
    }
    advapi::add_access_allowed_ace(new_dacl, mask, users);
    if (copy) {
        for (; index < size.AceCount; ++index) {
            void* ace = nullptr;
            advapi::get_ace(dacl, index, &ace);
            if (!advapi::equal_sid(ace_sid(ace), users))
                advapi::add_ace(new_dacl, ace, static_cast<ACE_HEADER*>(ace)->AceSize);
        }
    }

    result.descriptor = new_security_descriptor();
    advapi::set_security_descriptor_dacl(result.descriptor.get(), new_dacl);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    advapi::get_security_descriptor_control(current, &control, &revision);
    try {
        if (control & SE_DACL_AUTO_INHERITED)
            advapi::set_security_descriptor_control(result.descriptor.get(),
                                                    SE_DACL_AUTO_INHERIT_REQ | SE_DACL_AUTO_INHERITED,
                                                    SE_DACL_AUTO_INHERIT_REQ | SE_DACL_AUTO_INHERITED);
        else if (control & SE_DACL_PROTECTED)
            advapi::set_security_descriptor_control(result.descriptor.get(), SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    } catch (long error) {
        if (error != e_notimpl)
            throw;
    }
    return result;
}

security_descriptor_block access_descriptor(PSECURITY_DESCRIPTOR current, sid_kind who, DWORD mask)
{
    const sid_holder sid = well_known_sid(who);
    return users_access_descriptor(current, sid.get(), mask);
}

bool is_user_admin()
{
    try {
        const sid_holder admins = well_known_sid(sid_kind::administrators);
        BOOL is_member = FALSE;
        advapi::check_token_membership(admins.get(), &is_member);
        return is_member != FALSE;
    } catch (long) {
        return is_admin_by_access_check();
    }
}

bool set_privilege(const wchar_t* name, bool enable)
{
    try {
        unique_handle token;
        advapi::open_process_token(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put());
        LUID luid{};
        advapi::lookup_privilege_value(name, &luid);
        TOKEN_PRIVILEGES state{};
        state.PrivilegeCount = 1;
        state.Privileges[0].Luid = luid;
        TOKEN_PRIVILEGES previous{};
        DWORD previous_size = sizeof previous;
        advapi::adjust_token_privileges(token.get(), &state, sizeof state, &previous, &previous_size);
        previous.PrivilegeCount = 1;
        previous.Privileges[0].Luid = luid;
        if (enable)
            previous.Privileges[0].Attributes |= SE_PRIVILEGE_ENABLED;
        else
            previous.Privileges[0].Attributes &= ~DWORD{SE_PRIVILEGE_ENABLED};
        advapi::adjust_token_privileges(token.get(), &previous, previous_size, nullptr, nullptr);
        return true;
    } catch (long) {
        return false;
    }
}

bool grant_users_access(const wchar_t* path, DWORD mask)
{
    try {
        const sid_holder users = well_known_sid(sid_kind::users);
        DWORD size = 0;
        advapi::get_file_security(path, nullptr, 0, &size);
        const byte_block current = allocate_block(size);
        advapi::get_file_security(path, current.get(), size, &size);
        const security_descriptor_block updated =
            users_access_descriptor(current.get(), users.get(), mask);
        advapi::set_file_security(path, updated.descriptor.get());
        return true;
    } catch (long) {
        return false;
    }
}

bool grant_access(HANDLE object, sid_kind who, DWORD mask)
{
    try {
        PACL dacl = nullptr;
        PSECURITY_DESCRIPTOR current = nullptr;
        advapi::get_security_info(object, &dacl, &current);
        const unique_hlocal held(current);
        const security_descriptor_block updated = access_descriptor(current, who, mask);
        // The protection state travels as flags here, not in the descriptor's control.
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        advapi::get_security_descriptor_control(updated.descriptor.get(), &control, &revision);
        SECURITY_INFORMATION information = DACL_SECURITY_INFORMATION;
        if (control & SE_DACL_PROTECTED)
            information |= PROTECTED_DACL_SECURITY_INFORMATION;
        else if (control & SE_DACL_AUTO_INHERITED)
            information |= UNPROTECTED_DACL_SECURITY_INFORMATION;
        advapi::set_security_info(object, information, reinterpret_cast<PACL>(updated.dacl.get()));
        return true;
    } catch (long) {
        return false;
    }
}

} // namespace tal
