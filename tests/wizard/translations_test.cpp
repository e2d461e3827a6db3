// The translations as the built installer carries them: what the wizard makes of them reads
// right in every language that has the installer's texts.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/localized_strings.h"
#include "app/message_keys.h"
#include "holders/handles.h"
#include "support/language.h"
#include "wizard_driver.h"

namespace {

// Language indexes.
constexpr int english = 1;
constexpr int german = 2;
constexpr int turkish = 7;
constexpr int romanian = 9;

class Translations : public ::testing::Test {
protected:
    // Message `key` of `language`'s own block, placeholders included.
    std::wstring text(int language, unsigned key) const
    {
        const unsigned id = tal::language_table_row(language).block_base + key - MSG_INSTALLER;
        const wchar_t* begin = nullptr;
        const int length = ::LoadStringW(installer_.get(), id, reinterpret_cast<LPWSTR>(&begin), 0);
        return length > 0 ? std::wstring(begin, static_cast<std::size_t>(length)) : std::wstring();
    }

    tal::unique_hmodule installer_{::LoadLibraryExW(test::installer_path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)};
};

TEST_F(Translations, TheAboutItemsAcceleratorIsALetter)
{
    ASSERT_TRUE(installer_);
    // The frame puts "&" in front of the About text, whose %1 is the installer's title.
    for (int language = 0; language < tal::language_count; ++language) {
        if (!IsInstallerTranslated(language))
            continue;
        std::wstring about = text(language, MSG_ABOUT);
        const std::size_t insert = about.find(L"%1");
        ASSERT_NE(insert, std::wstring::npos) << language;
        about.replace(insert, 2, text(language, MSG_INSTALLER));
        EXPECT_TRUE(::IsCharAlphaW(about.front())) << language;
    }
}

TEST_F(Translations, MendedWordings)
{
    ASSERT_TRUE(installer_);
    for (const unsigned key : {MSG_CONTINUE_OR_EXIT, MSG_CLICK_TO_EXIT, MSG_CONFIRM_EXIT}) {
        const std::wstring message = text(german, key);
        EXPECT_NE(message.find(L"das Installationsprogramm"), std::wstring::npos) << key;
        EXPECT_EQ(message.find(L"die Installation zu beenden"), std::wstring::npos) << key;
        EXPECT_EQ(message.find(L"die Installation wirklich beenden"), std::wstring::npos) << key;
    }
    EXPECT_NE(text(german, MSG_CONFIRM_REINSTALLATION).find(L"erneute Installation"), std::wstring::npos);
    EXPECT_EQ(text(german, MSG_EXAMPLES), L"%1-Beispiele");
    EXPECT_EQ(text(turkish, MSG_UNINSTALL_PRODUCT), L"%1'i Kald\u0131r");
    EXPECT_EQ(text(romanian, MSG_NEXT), L"Urm\u0103torul");
}

TEST_F(Translations, TheLengthMessageInEveryTranslatedLanguage)
{
    ASSERT_TRUE(installer_);
    EXPECT_EQ(text(english, MSG_TOO_MANY_CHARACTERS), L"Please enter no more than %1 characters.");
    for (int language = 0; language < tal::language_count; ++language) {
        if (!IsInstallerTranslated(language))
            continue;
        for (const unsigned key : {MSG_TOO_MANY_CHARACTERS, MSG_FOLDER_NOT_FULL_PATH, MSG_FOLDER_TOO_LONG,
                                   MSG_MENU_FOLDER_TOO_LONG}) {
            const std::wstring message = text(language, key);
            EXPECT_FALSE(message.empty() || message == L"#") << language << " " << key;
            EXPECT_EQ(message.find(L"%1") != std::wstring::npos, key != MSG_FOLDER_NOT_FULL_PATH)
                << language << " " << key;
        }
    }
}

} // namespace
