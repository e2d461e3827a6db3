#pragma once
// The installer's messages in the current language: a message is named by its key, its id in
// the French block, and looked up with the English and French fallbacks.
#include <initializer_list>
#include <string>

bool IsProductLanguage(int index);
bool IsInstallerTranslated(int index);

// The string id that shows message `key` in the current language.
unsigned GetLocalizedStringId(unsigned key);
std::wstring LoadLocalizedString(unsigned key);

// The message with %1, %2, ... replaced as FormatMessage replaces them. Throws
// std::system_error with E_FAIL for a missing string and E_INVALIDARG for an empty one.
std::wstring FormatLocalizedMessage(unsigned key, std::initializer_list<std::wstring> arguments);

// "Installer", or with the product "Installer – Vantrel 7.05a", in the current language.
std::wstring GetInstallerTitle(bool withProduct);

// The string at `id` of the executable's table, and whether it exists.
bool load_installer_string(unsigned id, std::wstring& text);
// FormatMessage-style inserts over `pattern`.
std::wstring format_inserts(const std::wstring& pattern, std::initializer_list<std::wstring> arguments);
