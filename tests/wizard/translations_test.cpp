// The translations as the built installer carries them: what the wizard makes of them reads
// right in every language that has the installer's texts.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/message_keys.h"
#include "holders/handles.h"
#include "wizard_driver.h"

namespace {

// The installer-translated languages: name and block base.
const std::pair<const char*, unsigned> translated[] = {{"French", 1000},  {"English", 2000},  {"German", 3000},
                                                       {"Spanish", 4000}, {"Portuguese", 5000}, {"Italian", 6000},
                                                       {"Turkish", 9000}, {"Romanian", 12000}};

class Translations : public ::testing::Test {
protected:
    std::wstring text(unsigned base, unsigned key) const
    {
        const wchar_t* begin = nullptr;
        const int length = ::LoadStringW(installer_.get(), base + key - MSG_INSTALLER, reinterpret_cast<LPWSTR>(&begin), 0);
        return length > 0 ? std::wstring(begin, static_cast<std::size_t>(length)) : std::wstring();
    }

    tal::unique_hmodule installer_{::LoadLibraryExW(test::installer_path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)};
};

TEST_F(Translations, TheAboutItemsAcceleratorIsALetter)
{
    ASSERT_TRUE(installer_);
    // The frame puts "&" in front of the About text, whose %1 is the installer's title.
    for (const auto& [language, base] : translated) {
        std::wstring about = text(base, MSG_ABOUT);
        const std::size_t insert = about.find(L"%1");
        ASSERT_NE(insert, std::wstring::npos) << language;
        about.replace(insert, 2, text(base, MSG_INSTALLER));
        EXPECT_TRUE(::IsCharAlphaW(about.front())) << language;
    }
}

TEST_F(Translations, MendedWordings)
{
    ASSERT_TRUE(installer_);
    for (const unsigned key : {MSG_CONTINUE_OR_EXIT, MSG_CLICK_TO_EXIT, MSG_CONFIRM_EXIT}) {
        const std::wstring german = text(3000, key);
        EXPECT_NE(german.find(L"das Installationsprogramm"), std::wstring::npos) << key;
        EXPECT_EQ(german.find(L"die Installation zu beenden"), std::wstring::npos) << key;
        EXPECT_EQ(german.find(L"die Installation wirklich beenden"), std::wstring::npos) << key;
    }
    EXPECT_NE(text(3000, MSG_CONFIRM_REINSTALLATION).find(L"erneute Installation"), std::wstring::npos);
    EXPECT_EQ(text(3000, MSG_EXAMPLES), L"%1-Beispiele");
    EXPECT_EQ(text(9000, MSG_UNINSTALL_PRODUCT), L"%1'i Kald\u0131r");
    EXPECT_EQ(text(12000, MSG_NEXT), L"Urm\u0103torul");
}

TEST_F(Translations, TheLengthMessageInEveryTranslatedLanguage)
{
    ASSERT_TRUE(installer_);
    EXPECT_EQ(text(2000, MSG_TOO_MANY_CHARACTERS), L"Please enter no more than %1 characters.");
    for (const auto& [language, base] : translated) {
        for (const unsigned key : {MSG_TOO_MANY_CHARACTERS, MSG_FOLDER_NOT_FULL_PATH, MSG_FOLDER_TOO_LONG,
                                   MSG_MENU_FOLDER_TOO_LONG}) {
            const std::wstring message = text(base, key);
            EXPECT_FALSE(message.empty() || message == L"#") << language << " " << key;
            EXPECT_EQ(message.find(L"%1") != std::wstring::npos, key != MSG_FOLDER_NOT_FULL_PATH)
                << language << " " << key;
        }
    }
}

} // namespace
