#include "private_copy.h"

#include "holders/handles.h"
#include "support/advapi.h"
#include "support/protected_descriptor.h"

namespace uninstaller {

std::wstring random_hex(std::size_t count)
{
    // RtlGenRandom is exported by name as SystemFunction036; advapi32 is a known DLL.
    using gen_random = BOOLEAN(WINAPI*)(PVOID, ULONG);
    const tal::unique_hmodule advapi32(tal::load_system_library(L"advapi32.dll"));
    if (!advapi32)
        return {};
    const auto generate = reinterpret_cast<gen_random>(
        reinterpret_cast<void*>(::GetProcAddress(advapi32.get(), "SystemFunction036")));
    std::string raw(count, '\0');
    if (!generate || !generate(raw.data(), static_cast<ULONG>(count)))
        return {};
    static constexpr wchar_t digits[] = L"0123456789abcdef";
    std::wstring hex;
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        hex += digits[byte >> 4];
        hex += digits[byte & 0x0F];
    }
    return hex;
}

DWORD create_private_folder(const std::wstring& folder)
{
    try {
        const tal::security_descriptor_block descriptor = tal::private_folder_descriptor();
        SECURITY_ATTRIBUTES attributes{};
        attributes.nLength = sizeof attributes;
        attributes.lpSecurityDescriptor = descriptor.descriptor.get();
        if (!::CreateDirectoryW(folder.c_str(), &attributes))
            return ::GetLastError();
        return ERROR_SUCCESS;
    } catch (long error) {
        // The descriptor's builders throw the HRESULT of a Win32 error.
        const auto code = static_cast<DWORD>(error);
        return (code & 0xFFFF0000u) == 0x80070000u ? code & 0xFFFFu : code;
    }
}

std::wstring make_private_folder(const std::wstring& parent, DWORD& error)
{
    const std::wstring name = random_hex(16);
    if (name.empty()) {
        error = ERROR_CALL_NOT_IMPLEMENTED;
        return {};
    }
    std::wstring folder = parent;
    if (!folder.empty() && folder.back() != L'\\')
        folder += L'\\';
    folder += L"Vantrel-Uninstall-" + name;
    error = create_private_folder(folder);
    return error == ERROR_SUCCESS ? folder : std::wstring();
}

} // namespace uninstaller
