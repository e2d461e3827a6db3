#include "support/global_objects.h"

#include "support/advapi.h"
#include "support/security.h"

namespace tal {
namespace {

// A descriptor whose DACL lets Everyone have `mask`, then the creation call; the blocks live
// until the object exists.
template <class Create>
HANDLE create_shared(DWORD mask, Create create)
{
    byte_block dacl, descriptor;
    try {
        const sid_holder everyone = well_known_sid(sid_kind::everyone);
        dacl = make_single_ace_dacl(everyone.get(), mask);
        descriptor = new_security_descriptor();
        advapi::set_security_descriptor_dacl(descriptor.get(), reinterpret_cast<PACL>(dacl.get()));
    } catch (long) {
        ::SetLastError(ERROR_CAN_NOT_COMPLETE);
        return nullptr;
    }
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = descriptor.get();
    attributes.bInheritHandle = FALSE;
    const HANDLE handle = create(&attributes);
    const DWORD saved = ::GetLastError();
    descriptor.reset();
    dacl.reset();
    ::SetLastError(saved);
    return handle;
}

} // namespace

const wchar_t* global_prefix_for(DWORD platform_id, DWORD major_version)
{
    return platform_id == VER_PLATFORM_WIN32_NT && major_version > 4 ? L"Global\\" : L"";
}

const std::wstring& global_object_prefix()
{
    static const std::wstring prefix = [] {
        OSVERSIONINFOEXW version{};
        version.dwOSVersionInfoSize = sizeof version;
        if (!::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
            version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
            ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version));
        }
        return std::wstring(global_prefix_for(version.dwPlatformId, version.dwMajorVersion));
    }();
    return prefix;
}

HANDLE create_global_mutex(bool initial_owner, const wchar_t* name)
{
    const std::wstring full = global_object_prefix() + name;
    return create_shared(MUTEX_ALL_ACCESS, [&](SECURITY_ATTRIBUTES* attributes) {
        return ::CreateMutexW(attributes, initial_owner, full.c_str());
    });
}

HANDLE create_global_semaphore(LONG initial_count, LONG maximum_count, const wchar_t* name)
{
    const std::wstring full = global_object_prefix() + name;
    return create_shared(SEMAPHORE_ALL_ACCESS, [&](SECURITY_ATTRIBUTES* attributes) {
        return ::CreateSemaphoreW(attributes, initial_count, maximum_count, full.c_str());
    });
}

} // namespace tal
