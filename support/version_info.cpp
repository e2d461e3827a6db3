#include "support/version_info.h"
#include "support/system_info.h"

#include <windows.h>

#include <cwchar>
#include <vector>

#include "support/advapi.h"
#include "support/path.h"

namespace tal {
namespace {

// version.dll is no KnownDLL: imported statically it would be searched for first beside the
// executable, so its three entry points are taken from the system folder's copy at first use.
struct version_api {
    decltype(&::GetFileVersionInfoSizeW) info_size = nullptr;
    decltype(&::GetFileVersionInfoW) info = nullptr;
    decltype(&::VerQueryValueW) query = nullptr;
    DWORD error = ERROR_SUCCESS; // why the table is empty
};

template <class F>
F version_entry(HMODULE module, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

version_api look_up_version_api()
{
    version_api api;
    // Kept for the life of the process, as a static import would be.
    const HMODULE module = load_system_library(L"version.dll");
    if (!module) {
        api.error = ::GetLastError();
        return api;
    }
    api.info_size = version_entry<decltype(api.info_size)>(module, "GetFileVersionInfoSizeW");
    api.info = version_entry<decltype(api.info)>(module, "GetFileVersionInfoW");
    api.query = version_entry<decltype(api.query)>(module, "VerQueryValueW");
    if (!api.info_size || !api.info || !api.query)
        api = version_api{nullptr, nullptr, nullptr, ERROR_PROC_NOT_FOUND};
    return api;
}

// Null, with the thread's last error saying why, when the library cannot be had.
const version_api* version_functions()
{
    static const version_api api = look_up_version_api();
    if (!api.query) {
        ::SetLastError(api.error);
        return nullptr;
    }
    return &api;
}

bool query_string(const version_api& api, const std::vector<BYTE>& block, const std::wstring& base,
                  const wchar_t* name, std::wstring& out)
{
    void* value = nullptr;
    UINT length = 0;
    if (!api.query(block.data(), (base + name).c_str(), &value, &length) || !value)
        return false;
    out = static_cast<const wchar_t*>(value);
    return true;
}


} // namespace

bool read_version_info(version_info& info, const wchar_t* path)
{
    const std::uint32_t request = info.request;
    const std::wstring file = path ? std::wstring(path) : module_file_name();

    info.version = 0;
    if (request & version_info::title_bit)
        info.title.clear();
    if (request & version_info::product_name_bit)
        info.product_name.clear();
    if (request & version_info::product_version_bit)
        info.product_version.clear();
    if (request & version_info::description_bit)
        info.description.clear();
    if (request & version_info::copyright_bit)
        info.copyright.clear();

    // A path cut to fit would name another file: such a path has no version here.
    if (!fits_max_path(file)) {
        ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    const version_api* api = version_functions();
    if (!api)
        return false;
    DWORD ignored = 0;
    const DWORD size = api->info_size(file.c_str(), &ignored);
    if (size == 0)
        return false;
    std::vector<BYTE> block(size);
    if (!api->info(file.c_str(), 0, size, block.data()))
        return false;

    const WORD* translation = nullptr;
    UINT length = 0;
    if (!api->query(block.data(), L"\\VarFileInfo\\Translation",
                    reinterpret_cast<void**>(const_cast<WORD**>(&translation)), &length)
        || length < 4) {
        ::SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return false;
    }
    wchar_t base[32];
    std::swprintf(base, 32, L"\\StringFileInfo\\%04hX%04hX\\", translation[0], translation[1]);
    bool result = true;

    std::wstring value;
    if (request & (version_info::title_bit | version_info::product_name_bit)) {
        result = query_string(*api, block, base, L"ProductName", value);
        if (result && (request & version_info::title_bit))
            info.title = value;
        if (result && (request & version_info::product_name_bit))
            info.product_name = value;
    }
    if (request & (version_info::title_bit | version_info::product_version_bit)) {
        if (query_string(*api, block, base, L"ProductVersion", value)) {
            if (request & version_info::title_bit)
                info.title += L" " + value;
            if (request & version_info::product_version_bit)
                info.product_version = value;
        } else {
            result = false;
        }
    }
    if (request & (version_info::title_bit | version_info::version_bit | version_info::file_flags_bit)) {
        VS_FIXEDFILEINFO* fixed = nullptr;
        if (api->query(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
            const std::uint32_t flags = fixed->dwFileFlags & fixed->dwFileFlagsMask;
            if (request & version_info::version_bit)
                info.version = std::uint64_t{fixed->dwFileVersionMS} << 32 | fixed->dwFileVersionLS;
            if (request & version_info::file_flags_bit)
                info.file_flags = flags;
            if (request & version_info::title_bit) {
                if (flags & VS_FF_PRIVATEBUILD)
                    info.title += L" \u2013 Private";
                if (flags & VS_FF_DEBUG)
                    info.title += L" \u2013 Debug";
            }
        } else {
            result = false;
        }
    }
    if ((request & version_info::description_bit)
        && !query_string(*api, block, base, L"FileDescription", info.description))
        result = false;
    if ((request & version_info::copyright_bit) && !query_string(*api, block, base, L"LegalCopyright", info.copyright))
        result = false;
    if (!result)
        ::SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return result;
}

} // namespace tal
