#include "support/protected_folder.h"

#include "support/protected_descriptor.h"

namespace tal {

DWORD create_protected_folder(const std::wstring& path)
{
    try {
        const security_descriptor_block security = private_folder_descriptor();
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
