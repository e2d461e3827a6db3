#pragma once
// The maker's language module: seventeen languages, one current language per process that
// selects the string-table block, the product language and the process locale.
#include <windows.h>

#include <string>

namespace tal {

inline constexpr int language_count = 17;

struct language_row {
    LANGID langid;
    unsigned block_base;   // first id of the language's string-table block
    bool product_language;
    bool installer_translated;
    unsigned flag_icon;
};

// The row of an index from 0 to 16.
const language_row& language_table_row(int index);

void set_language(int index);
int get_language();
LANGID language_langid(int index);
LANGID current_langid();

// The module whose string table load_string reads first; null means the executable.
HMODULE language_module();
void set_language_module(HMODULE module);

// The index of the user's UI language when its bit is set in `mask` (0: the state's mask),
// else English when bit 1 is set, else French.
int language_from_user_ui(unsigned mask);

// The language's own name for itself, first letter upper case; empty when unknown.
std::wstring native_language_name(int index);

bool is_right_to_left(int index);
bool current_language_is_left_to_right();

// A string of the string table: the language module first, then the executable.
std::wstring load_string(unsigned id);

// The entry `id` of the string table of `module`; false when the block or the entry is absent.
bool find_string(HMODULE module, unsigned id, std::wstring& out);
// The index for a user UI language (primary and sub-language), or -1 when none matches.
int index_of_langid(LANGID langid);

} // namespace tal
