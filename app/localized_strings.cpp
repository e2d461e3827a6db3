#include "app/localized_strings.h"

#include <windows.h>

#include <system_error>
#include <vector>

#include "app/message_keys.h"
#include "app/product.h"
#include "support/language.h"

namespace {

constexpr unsigned product_language_mask = 0x40BF;
constexpr const wchar_t* placeholder = L"#";
// The languages whose blocks are the fallbacks: French holds every key, English the rest.
constexpr int french = 0;
constexpr int english = 1;

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

bool load_installer_string(unsigned id, std::wstring& text)
{
    text.clear();
    return tal::find_string(::GetModuleHandleW(nullptr), id, text);
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

unsigned GetLocalizedStringId(unsigned key)
{
    int language = tal::get_language();
    if (!IsInstallerTranslated(language))
        language = english;
    if (language == french)
        return key;
    const unsigned id = key - MSG_INSTALLER + tal::language_table_row(language).block_base;
    std::wstring text;
    load_installer_string(id, text);
    if (text != placeholder)
        return id;
    if (language == english)
        return key;
    const unsigned english_id = key - MSG_INSTALLER + tal::language_table_row(english).block_base;
    load_installer_string(english_id, text);
    return text != placeholder ? english_id : key;
}

std::wstring LoadLocalizedString(unsigned key)
{
    std::wstring text;
    load_installer_string(GetLocalizedStringId(key), text);
    return text;
}

std::wstring FormatLocalizedMessage(unsigned key, std::initializer_list<std::wstring> arguments)
{
    std::wstring pattern;
    if (!load_installer_string(GetLocalizedStringId(key), pattern))
        throw std::system_error(static_cast<int>(E_FAIL), std::system_category(), "missing message");
    if (pattern.empty())
        throw std::system_error(static_cast<int>(E_INVALIDARG), std::system_category(), "empty message");
    return format_inserts(pattern, arguments);
}

std::wstring GetInstallerTitle(bool withProduct)
{
    std::wstring title = LoadLocalizedString(MSG_INSTALLER);
    if (withProduct)
        title += L" \u2013 " + GetProductName(false);
    return title;
}
