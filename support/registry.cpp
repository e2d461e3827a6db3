#include "support/registry.h"

namespace tal {

unique_hkey open_key(HKEY parent, const wchar_t* path, REGSAM access)
{
    unique_hkey key;
    const LSTATUS status = ::RegOpenKeyExW(parent, path, 0, access, key.put());
    if (status != ERROR_SUCCESS) {
        key.release(); // the slot may hold garbage after a failure
        ::SetLastError(static_cast<DWORD>(status));
    }
    return key;
}

unique_hkey create_key(HKEY parent, const wchar_t* path, REGSAM access, bool* existed)
{
    unique_hkey key;
    DWORD disposition = 0;
    const LSTATUS status = ::RegCreateKeyExW(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                             key.put(), &disposition);
    if (status != ERROR_SUCCESS) {
        key.release();
        ::SetLastError(static_cast<DWORD>(status));
        return key;
    }
    if (existed)
        *existed = disposition == REG_OPENED_EXISTING_KEY;
    return key;
}

} // namespace tal
