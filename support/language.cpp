#include "support/language.h"

#include <clocale>

#include "resources/resource_ids.h"
#include "support/system_info.h"

namespace tal {
namespace {

// Each language's texts are a block of the string table, 1000 ids apart.
constexpr unsigned block(unsigned number)
{
    return number * 1000;
}

constexpr language_row rows[language_count] = {
    {0x040C, block(1), true, true, IDI_FLAG_FRENCH},        // French (France)
    {0x0409, block(2), true, true, IDI_FLAG_ENGLISH},       // English (United States)
    {0x0407, block(3), true, true, IDI_FLAG_GERMAN},        // German (Germany)
    {0x0C0A, block(4), true, true, IDI_FLAG_SPANISH},       // Spanish (Spain, modern sort)
    {0x0816, block(5), true, true, IDI_FLAG_PORTUGUESE},    // Portuguese (Portugal)
    {0x0413, block(7), true, false, IDI_FLAG_DUTCH},        // Dutch (Netherlands)
    {0x0406, block(8), false, false, IDI_FLAG_DANISH},      // Danish
    {0x041F, block(9), true, true, IDI_FLAG_TURKISH},       // Turkish
    {0x0402, block(11), false, false, IDI_FLAG_BULGARIAN},  // Bulgarian
    {0x0418, block(12), false, true, IDI_FLAG_ROMANIAN},    // Romanian
    {0x0804, block(10), false, false, IDI_FLAG_CHINESE},    // Chinese (Simplified, PRC)
    {0x0410, block(6), false, true, IDI_FLAG_ITALIAN},      // Italian
    {0x0405, block(13), false, false, IDI_FLAG_CZECH},      // Czech
    {0x0414, block(14), false, false, IDI_FLAG_NORWEGIAN},  // Norwegian (Bokmal)
    {0x0408, block(15), true, false, IDI_FLAG_GREEK},       // Greek
    {0x0415, block(16), false, false, IDI_FLAG_POLISH},     // Polish
    {0x040D, block(17), false, false, IDI_FLAG_HEBREW},     // Hebrew
};

// A user-chosen sort order survives when the user's locale is this very language.
LCID lcid_of(int index)
{
    const LCID user = ::GetUserDefaultLCID();
    return LOWORD(user) == rows[index].langid ? user : MAKELCID(rows[index].langid, SORT_DEFAULT);
}

std::wstring locale_info(LCID lcid, LCTYPE type)
{
    wchar_t text[128] = {};
    return ::GetLocaleInfoW(lcid, type, text, 128) ? text : L"";
}

void apply_locale(int index, LCID lcid)
{
    std::wstring name;
    if (PRIMARYLANGID(LANGIDFROMLCID(lcid)) != PRIMARYLANGID(::GetUserDefaultLangID())) {
        if (is_vista_or_later())
            name = locale_info(lcid, 0x5c /* LOCALE_SNAME */);
        else
            name = locale_info(lcid, LOCALE_SISO639LANGNAME) + L"-" + locale_info(lcid, LOCALE_SISO3166CTRYNAME);
    }
    // Only the C runtime's locale is set: this C++ runtime knows no locale but the classic
    // one by name, so the C++ global locale would stay the classic one whatever the language.
    ::_wsetlocale(LC_ALL, L"C");
    ::_wsetlocale(LC_CTYPE, name.c_str());
    ::_wsetlocale(LC_COLLATE, name.c_str());
}

struct language_state {
    unsigned mask = 0x1;
    int index = 0;
    LCID lcid = 0;
    HMODULE module = nullptr;

    language_state() : lcid(lcid_of(0))
    {
        ::_configthreadlocale(_DISABLE_PER_THREAD_LOCALE);
        apply_locale(0, lcid);
        ::SetThreadLocale(lcid);
    }
};

language_state& state()
{
    static language_state instance;
    return instance;
}

} // namespace

// The entry `id` of the string table of `module`; false when the block or entry is absent.
bool find_string(HMODULE module, unsigned id, std::wstring& out)
{
    const HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id / 16 + 1), RT_STRING);
    if (!info)
        return false;
    const HGLOBAL loaded = ::LoadResource(module, info);
    const auto* p = static_cast<const WCHAR*>(::LockResource(loaded));
    const DWORD units = ::SizeofResource(module, info) / sizeof(WCHAR);
    if (!p)
        return false;
    DWORD at = 0;
    for (unsigned skip = id % 16; skip > 0; --skip) {
        if (at >= units)
            return false;
        at += 1 + p[at];
    }
    if (at >= units || at + 1 + p[at] > units)
        return false;
    out.assign(p + at + 1, p[at]);
    return true;
}


const language_row& language_table_row(int index)
{
    return rows[index];
}

void set_language(int index)
{
    language_state& s = state();
    const LCID lcid = lcid_of(index);
    if (index != s.index)
        apply_locale(index, lcid);
    s.index = index;
    s.lcid = lcid;
    s.module = nullptr;
}

int get_language()
{
    return state().index;
}

LANGID language_langid(int index)
{
    return rows[index].langid;
}

LANGID current_langid()
{
    return LOWORD(state().lcid);
}

HMODULE language_module()
{
    return state().module;
}

void set_language_module(HMODULE module)
{
    state().module = module;
}

int index_of_langid(LANGID langid)
{
    switch (PRIMARYLANGID(langid)) {
    case LANG_FRENCH: return 0;
    case LANG_ENGLISH: return 1;
    case LANG_GERMAN: return 2;
    case LANG_SPANISH: return 3;
    case LANG_PORTUGUESE: return 4;
    case LANG_DUTCH: return 5;
    case LANG_DANISH: return 6;
    case LANG_TURKISH: return 7;
    case LANG_BULGARIAN: return 8;
    case LANG_ROMANIAN: return 9;
    case LANG_CHINESE: {
        const int sub = SUBLANGID(langid);
        return sub == SUBLANG_CHINESE_SIMPLIFIED || sub == SUBLANG_CHINESE_SINGAPORE ? 10 : -1;
    }
    case LANG_ITALIAN: return 11;
    case LANG_CZECH: return 12;
    case LANG_NORWEGIAN: return 13;
    case LANG_GREEK: return 14;
    case LANG_POLISH: return 15;
    case LANG_HEBREW: return 16;
    default: return -1;
    }
}

int language_from_user_ui(unsigned mask)
{
    if (mask == 0)
        mask = state().mask;
    const int fallback = (mask & 0x2) ? 1 : 0;
    const int index = index_of_langid(::GetUserDefaultLangID());
    return index >= 0 && (mask & (1u << index)) ? index : fallback;
}

std::wstring native_language_name(int index)
{
    std::wstring name = locale_info(lcid_of(index), LOCALE_SNATIVELANGNAME);
    if (!name.empty()) {
        const DWORD first = IS_HIGH_SURROGATE(name[0]) && name.size() > 1 ? 2 : 1;
        ::CharUpperBuffW(name.data(), first);
    }
    return name;
}

bool is_right_to_left(int index)
{
    LOCALESIGNATURE signature{};
    if (!::GetLocaleInfoW(lcid_of(index), LOCALE_FONTSIGNATURE, reinterpret_cast<LPWSTR>(&signature),
                          sizeof signature / sizeof(WCHAR)))
        return index == 16;
    // Unicode subset bit 123: right-to-left layout.
    return (signature.lsUsb[3] & (1u << 27)) != 0;
}

bool current_language_is_left_to_right()
{
    return !is_right_to_left(get_language());
}

std::wstring load_string(unsigned id)
{
    std::wstring text;
    const HMODULE exe = ::GetModuleHandleW(nullptr);
    const HMODULE module = state().module;
    if (module && module != exe && find_string(module, id, text))
        return text;
    if (find_string(exe, id, text))
        return text;
    return {};
}

} // namespace tal
