#include "private_copy.h"

#include <system_error>

#include "support/protected_folder.h"
#include "support/random_uuid.h"

namespace uninstaller {

std::wstring random_hex(std::size_t count)
{
    std::string raw(count, '\0');
    try {
        tal::fill_random(raw.data(), static_cast<unsigned long>(count));
    } catch (const std::system_error&) {
        return {};
    }
    static constexpr wchar_t digits[] = L"0123456789abcdef";
    std::wstring hex;
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        hex += digits[byte >> 4];
        hex += digits[byte & 0x0F];
    }
    return hex;
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
    error = tal::create_protected_folder(folder);
    return error == ERROR_SUCCESS ? folder : std::wstring();
}

} // namespace uninstaller
