#include "support/protected_descriptor.h"

#include <aclapi.h>

#include <vector>

#include "support/hresult.h"

namespace tal {
namespace {

constexpr BYTE folder_content = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

byte_block well_known(WELL_KNOWN_SID_TYPE who)
{
    DWORD size = SECURITY_MAX_SID_SIZE;
    byte_block sid = allocate_block(size);
    if (!::CreateWellKnownSid(who, nullptr, sid.get(), &size))
        throw_last_error();
    return sid;
}

} // namespace

security_descriptor_block protected_descriptor(std::initializer_list<allowed_entry> entries)
{
    std::vector<byte_block> sids;
    DWORD size = sizeof(ACL);
    for (const allowed_entry& entry : entries) {
        sids.push_back(well_known(entry.who));
        size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + ::GetLengthSid(sids.back().get());
    }
    security_descriptor_block block;
    block.dacl = allocate_block(size);
    const PACL dacl = reinterpret_cast<PACL>(block.dacl.get());
    if (!::InitializeAcl(dacl, size, ACL_REVISION))
        throw_last_error();
    std::size_t index = 0;
    for (const allowed_entry& entry : entries) {
        if (!::AddAccessAllowedAceEx(dacl, ACL_REVISION, entry.inheritance, entry.mask, sids[index++].get()))
            throw_last_error();
    }
    block.descriptor = new_security_descriptor();
    if (!::SetSecurityDescriptorDacl(block.descriptor.get(), TRUE, dacl, FALSE)
        || !::SetSecurityDescriptorControl(block.descriptor.get(), SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        throw_last_error();
    return block;
}

security_descriptor_block private_folder_descriptor()
{
    return protected_descriptor({{WinLocalSystemSid, FILE_ALL_ACCESS, folder_content},
                                 {WinBuiltinAdministratorsSid, FILE_ALL_ACCESS, folder_content}});
}

security_descriptor_block program_folder_descriptor()
{
    return protected_descriptor({{WinLocalSystemSid, FILE_ALL_ACCESS, folder_content},
                                 {WinBuiltinAdministratorsSid, FILE_ALL_ACCESS, folder_content},
                                 {WinBuiltinUsersSid, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, folder_content}});
}

security_descriptor_block read_only_file_descriptor()
{
    return protected_descriptor({{WinLocalSystemSid, FILE_ALL_ACCESS, 0},
                                 {WinBuiltinAdministratorsSid, FILE_ALL_ACCESS, 0},
                                 {WinBuiltinUsersSid, FILE_GENERIC_READ, 0}});
}

DWORD set_protected_dacl(HANDLE object, const security_descriptor_block& descriptor)
{
    return ::SetSecurityInfo(object, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                             nullptr, nullptr, reinterpret_cast<PACL>(descriptor.dacl.get()), nullptr);
}

} // namespace tal
