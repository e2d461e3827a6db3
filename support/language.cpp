#include "support/language.h"

#include <clocale>
#include <locale>

#include "support/system_info.h"

namespace tal {
namespace {

constexpr language_row rows[language_count] = {
    {0x040C, 1000, true, true, 144},   // French (France)
    {0x0409, 2000, true, true, 145},   // English (United States)
    {0x0407, 3000, true, true, 141},   // German (Germany)
    {0x0C0A, 4000, true, true, 143},   // Spanish (Spain, modern sort)
    {0x0816, 5000, true, true, 148},   // Portuguese (Portugal)
    {0x0413, 7000, true, false, 147},  // Dutch (Netherlands)
    {0x0406, 8000, false, false, 142}, // Danish
    {0x041F, 9000, true, true, 149},   // Turkish
    {0x0402, 11000, false, false, 150}, // Bulgarian
    {0x0418, 12000, false, true, 151}, // Romanian
    {0x0804, 10000, false, false, 152}, // Chinese (Simplified, PRC)
    {0x0410, 6000, false, true, 146},  // Italian
    {0x0405, 13000, false, false, 153}, // Czech
    {0x0414, 14000, false, false, 154}, // Norwegian (Bokmal)
    {0x0408, 15000, true, false, 155}, // Greek
    {0x0415, 16000, false, false, 156}, // Polish
    {0x040D, 17000, false, false, 157}, // Hebrew
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
    // This runtime knows only the classic locale by name; a name it cannot make leaves the
    // classic one for collation and character classification.
    std::locale named = std::locale::classic();
    try {
        named = std::locale(std::string(name.begin(), name.end()));
    } catch (const std::exception&) {
    }
    std::locale::global(std::locale(std::locale(), named, std::locale::collate | std::locale::ctype));
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
bool details::find_string(HMODULE module, unsigned id, std::wstring& out)
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

namespace details {

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

} // namespace details

int language_from_user_ui(unsigned mask)
{
    if (mask == 0)
        mask = state().mask;
    const int fallback = (mask & 0x2) ? 1 : 0;
    const int index = details::index_of_langid(::GetUserDefaultLangID());
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
    if (module && module != exe && details::find_string(module, id, text))
        return text;
    if (details::find_string(exe, id, text))
        return text;
    return {};
}

} // namespace tal
