#include "support/protected_folder.h"

#include <new>

#include "support/advapi.h"

namespace tal {
namespace {

constexpr long e_outofmemory = static_cast<long>(0x8007000E);

// S-1-5-18 and S-1-5-32-544.
sid_holder nt_authority_sid(BYTE count, DWORD sub0, DWORD sub1)
{
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    advapi::allocate_and_initialize_sid(&authority, count, sub0, sub1, &sid);
    return sid_holder(sid, false);
}

// The size of an access-allowed ACE for `sid`: its header and mask, then the SID.
DWORD allowed_ace_size(PSID sid)
{
    return static_cast<DWORD>(sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD)) + advapi::get_length_sid(sid);
}

} // namespace

security_descriptor_block protected_folder_descriptor()
{
    const sid_holder system = nt_authority_sid(1, SECURITY_LOCAL_SYSTEM_RID, 0);
    const sid_holder administrators = nt_authority_sid(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
    const DWORD size = static_cast<DWORD>(sizeof(ACL)) + allowed_ace_size(system.get())
                       + allowed_ace_size(administrators.get());
    security_descriptor_block result;
    result.dacl.reset(new (std::nothrow) BYTE[size]());
    if (!result.dacl)
        throw e_outofmemory;
    const PACL dacl = reinterpret_cast<PACL>(result.dacl.get());
    advapi::initialize_acl(dacl, size);
    DWORD index = 0;
    for (const sid_holder* sid : {&system, &administrators}) {
        advapi::add_access_allowed_ace(dacl, protected_folder_access, sid->get());
        // The wrapper adds an entry without inheritance; the folder hands it down.
        void* ace = nullptr;
        advapi::get_ace(dacl, index++, &ace);
        static_cast<ACE_HEADER*>(ace)->AceFlags = protected_folder_inheritance;
    }
    result.descriptor = new_security_descriptor();
    advapi::set_security_descriptor_dacl(result.descriptor.get(), dacl);
    advapi::set_security_descriptor_control(result.descriptor.get(), SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    return result;
}

DWORD create_protected_folder(const std::wstring& path)
{
    try {
        const security_descriptor_block security = protected_folder_descriptor();
        SECURITY_ATTRIBUTES attributes{};
        attributes.nLength = sizeof attributes;
        attributes.lpSecurityDescriptor = security.descriptor.get();
        attributes.bInheritHandle = FALSE;
        if (!::CreateDirectoryW(path.c_str(), &attributes))
            return ::GetLastError();
        return ERROR_SUCCESS;
    } catch (long error) {
        return static_cast<DWORD>(error);
    }
}

} // namespace tal
