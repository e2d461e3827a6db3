#include "support/error_box.h"

#include "support/language.h"
#include "support/message_box.h"
#include "holders/unique_any.h"

namespace tal {
namespace {

constexpr DWORD e_fail = 0x80004005;
constexpr DWORD customer_bit = 0x20000000;
constexpr DWORD string_id_bit = 0x08000000;

struct local_free_traits {
    using type = wchar_t*;
    static type invalid() noexcept { return nullptr; }
    static void close(type p) noexcept { ::LocalFree(p); }
};

bool format_system_message(DWORD code, LANGID language, std::wstring& out)
{
    unique_any<local_free_traits> buffer;
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
    DWORD length = ::FormatMessageW(flags, nullptr, code, language, reinterpret_cast<LPWSTR>(buffer.put()), 0, nullptr);
    if (length == 0 && ::GetLastError() == ERROR_RESOURCE_LANG_NOT_FOUND)
        length = ::FormatMessageW(flags, nullptr, code, 0, reinterpret_cast<LPWSTR>(buffer.put()), 0, nullptr);
    if (length == 0 || !buffer)
        return false;
    out.assign(buffer.get(), length);
    while (!out.empty() && (out.back() == L'\r' || out.back() == L'\n'))
        out.pop_back();
    return true;
}

} // namespace

std::wstring system_message_text(DWORD code, LANGID language)
{
    std::wstring text;
    if (format_system_message(code, language, text) && !text.empty())
        return text;
    if (code == e_fail)
        return L"Error";
    return system_message_text(e_fail, language);
}

std::wstring error_text(DWORD code, LANGID language)
{
    if (code & customer_bit) {
        if (code & string_id_bit) {
            std::wstring text = load_string(code & 0xFFFF);
            return text.empty() ? system_message_text(e_fail, 0) : text;
        }
        code = e_fail;
    }
    return system_message_text(code, language);
}

void show_error(DWORD code)
{
    const std::wstring text = error_text(code, 0);
    message_box(text.c_str(), nullptr, MB_ICONEXCLAMATION | MB_OK);
}

} // namespace tal
