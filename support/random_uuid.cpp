#include "support/random_uuid.h"

#include <windows.h>

#include <system_error>

#include "support/advapi.h"

namespace tal {
namespace {

// RtlGenRandom, exported by advapi32 (a KnownDLL) under this name since Windows XP; looked
// up at run time because the import library does not name it.
using gen_random = BOOLEAN(WINAPI*)(void* buffer, ULONG length);

} // namespace

void fill_random(void* buffer, unsigned long length)
{
    HMODULE advapi32 = ::GetModuleHandleW(L"advapi32.dll");
    if (!advapi32)
        advapi32 = load_system_library(L"advapi32.dll");
    if (!advapi32)
        throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "advapi32.dll");
    const auto generate =
        reinterpret_cast<gen_random>(reinterpret_cast<void*>(::GetProcAddress(advapi32, "SystemFunction036")));
    if (!generate)
        throw std::system_error(ERROR_PROC_NOT_FOUND, std::system_category(), "SystemFunction036");
    // It reports no reason of its own on failure.
    if (!generate(buffer, length))
        throw std::system_error(ERROR_GEN_FAILURE, std::system_category(), "SystemFunction036");
}

std::wstring uuid_v4_text(std::array<unsigned char, 16> bytes)
{
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40); // version 4: random
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80); // variant 1 (RFC 4122)
    constexpr wchar_t digits[] = L"0123456789abcdef";
    std::wstring text;
    text.reserve(36);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += L'-';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

std::wstring new_uuid_text()
{
    std::array<unsigned char, 16> bytes{};
    fill_random(bytes.data(), static_cast<ULONG>(bytes.size()));
    return uuid_v4_text(bytes);
}

} // namespace tal
