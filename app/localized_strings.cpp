#include "app/localized_strings.h"

#include <windows.h>

#include <system_error>
#include <vector>

#include "app/product.h"
#include "support/language.h"

namespace {

constexpr unsigned product_language_mask = 0x40BF;
constexpr const wchar_t* placeholder = L"#";

} // namespace

bool IsProductLanguage(int index)
{
    return index >= 0 && index < tal::language_count && (product_language_mask & (1u << index));
}

bool IsInstallerTranslated(int index)
{
    switch (index) {
    case 5: case 6: case 8: case 10: case 12: case 13: case 14: case 15: case 16: return false;
    default: return true;
    }
}

namespace details {

bool load_installer_string(unsigned id, std::wstring& text)
{
    text.clear();
    return tal::details::find_string(::GetModuleHandleW(nullptr), id, text);
}

std::wstring format_inserts(const std::wstring& pattern, std::initializer_list<std::wstring> arguments)
{
    std::vector<DWORD_PTR> values;
    for (const std::wstring& argument : arguments)
        values.push_back(reinterpret_cast<DWORD_PTR>(argument.c_str()));
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY
                                              | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                          pattern.c_str(), 0, 0, reinterpret_cast<LPWSTR>(&buffer), 0,
                                          values.empty() ? nullptr : reinterpret_cast<va_list*>(values.data()));
    std::wstring text = length ? std::wstring(buffer, length) : pattern;
    ::LocalFree(buffer);
    return text;
}

} // namespace details

unsigned GetLocalizedStringId(unsigned key)
{
    int language = tal::get_language();
    if (!IsInstallerTranslated(language))
        language = 1;
    if (language == 0)
        return key;
    const unsigned id = key - 1000 + tal::language_table_row(language).block_base;
    std::wstring text;
    details::load_installer_string(id, text);
    if (text != placeholder)
        return id;
    if (language == 1)
        return key;
    details::load_installer_string(key + 1000, text);
    return text != placeholder ? key + 1000 : key;
}

std::wstring LoadLocalizedString(unsigned key)
{
    std::wstring text;
    details::load_installer_string(GetLocalizedStringId(key), text);
    return text;
}

std::wstring FormatLocalizedMessage(unsigned key, std::initializer_list<std::wstring> arguments)
{
    std::wstring pattern;
    if (!details::load_installer_string(GetLocalizedStringId(key), pattern))
        throw std::system_error(static_cast<int>(E_FAIL), std::system_category(), "missing message");
    if (pattern.empty())
        throw std::system_error(static_cast<int>(E_INVALIDARG), std::system_category(), "empty message");
    return details::format_inserts(pattern, arguments);
}

std::wstring GetInstallerTitle(bool withProduct)
{
    std::wstring title = LoadLocalizedString(1000);
    if (withProduct)
        title += L" \u2013 " + GetProductName(false);
    return title;
}
