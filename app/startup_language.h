#pragma once
// Which language the installer speaks, at startup and when the user picks another one.
#include <functional>
#include <optional>
#include <string>

// The language at startup: the user's UI language if it is a product language, else English;
// then a product language that the previous installation recorded (`TalLanguage`); English
// when the result has no installer translation. Also rebuilds the application's name.
void ChooseStartupLanguage();

// The start page's language change. A language without installer translation is announced
// (message 1129) and the installer goes on in English while the product language stays.
void ChangeLanguage(int index);

// The language the administrator named (/LANG): it replaces the startup choice without a box;
// a language without installer translation speaks English as on the start page.
void UseLanguage(int index);

// Called after the language changed, to refresh every text the wizard shows.
void SetLanguageRefreshHook(std::function<void()> hook);

// The startup decision from the UI language's index (product languages only) and the
// recorded value, if any.
int startup_language(int ui_index, std::optional<unsigned> recorded);
// TalLanguage of the product's Uninstall key, when it can be read.
std::optional<unsigned> recorded_language(const std::wstring& key_name);
