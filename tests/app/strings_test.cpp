// The string tables and the lookup rule, against the compiled tables.
#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "app/localized_strings.h"
#include "support/language.h"

namespace {

const std::vector<unsigned> keys = [] {
    std::vector<unsigned> k;
    for (unsigned i = 0; i <= 18; ++i)
        k.push_back(1000 + i);
    for (unsigned i = 100; i <= 115; ++i)
        k.push_back(1000 + i);
    for (unsigned i = 117; i <= 127; ++i)
        k.push_back(1000 + i);
    k.push_back(1129);
    k.push_back(1131);
    for (unsigned i = 132; i <= 135; ++i)
        k.push_back(1000 + i);
    return k;
}();

std::wstring text_of(unsigned id)
{
    std::wstring text;
    details::load_installer_string(id, text);
    return text;
}

std::set<std::wstring> inserts(const std::wstring& text)
{
    std::set<std::wstring> found;
    const std::wregex insert(L"%[0-9]");
    for (std::wsregex_iterator i(text.begin(), text.end(), insert), end; i != end; ++i)
        found.insert(i->str());
    return found;
}

class Strings : public ::testing::Test {
protected:
    void TearDown() override { tal::set_language(0); }
};

TEST_F(Strings, EveryBlockHoldsExactlyTheSameIds)
{
    for (int language = 0; language < tal::language_count; ++language) {
        const unsigned base = tal::language_table_row(language).block_base;
        for (unsigned offset = 0; offset < 200; ++offset) {
            const bool expected = std::find(keys.begin(), keys.end(), 1000 + offset) != keys.end();
            std::wstring text;
            const bool present = details::load_installer_string(base + offset, text) && !text.empty();
            EXPECT_EQ(present, expected) << "language " << language << ", id " << base + offset;
        }
    }
}

TEST_F(Strings, TranslationsKeepTheFrenchInserts)
{
    for (int language = 0; language < tal::language_count; ++language) {
        const unsigned base = tal::language_table_row(language).block_base;
        for (const unsigned key : keys) {
            const std::wstring text = text_of(key - 1000 + base);
            if (text == L"#")
                continue;
            EXPECT_EQ(inserts(text), inserts(text_of(key))) << "language " << language << ", key " << key;
        }
    }
}

TEST_F(Strings, TranslatedAndPlaceholderBlocks)
{
    for (int language = 0; language < tal::language_count; ++language) {
        const unsigned base = tal::language_table_row(language).block_base;
        int placeholders = 0;
        for (const unsigned key : keys)
            placeholders += text_of(key - 1000 + base) == L"#" ? 1 : 0;
        if (language == 0)
            EXPECT_EQ(placeholders, 0);
        else if (IsInstallerTranslated(language))
            EXPECT_EQ(placeholders, 1) << language; // only +131
        else if (language == 8 || language == 10 || language == 14 || language == 15)
            EXPECT_EQ(placeholders, static_cast<int>(keys.size())) << language;
        else
            EXPECT_EQ(placeholders, static_cast<int>(keys.size()) - 7) << language; // the button words
    }
}

TEST_F(Strings, QuotedTextsExactly)
{
    EXPECT_EQ(text_of(1112), L"Cr\u00e9er un raccourci dans le menu suivant\u00a0:");
    EXPECT_EQ(text_of(1123), L"Dossier d'installation\u00a0: %1.");
    EXPECT_EQ(text_of(2115), L"Copying File  %1...");
    EXPECT_EQ(text_of(2110), L"Installation is not complete.\r\n\r\nDo you still confirm exit Installation ?");
    EXPECT_EQ(text_of(2129), L"'%1' will be installed in the selected Langage, but the Installer, still under "
                             L"translation,  shall run in English.");
    EXPECT_EQ(text_of(1131), L"Mise \u00e0 jour de DirectX...");
    EXPECT_EQ(text_of(2131), L"#");
    EXPECT_EQ(text_of(3018), L"%1-Beispiele");
}

struct lookup_case {
    int language;
    unsigned key;
    unsigned id;
};

TEST_F(Strings, LookupRule)
{
    const std::vector<lookup_case> cases{
        {2, 1131, 1131},  // German placeholder, English placeholder: French
        {2, 1106, 3106},  {1, 1131, 1131}, {1, 1106, 2106}, {0, 1106, 1106}, {0, 1131, 1131}, {0, 1000, 1000},
        {5, 1106, 2106},  // Dutch reads English
        {14, 1006, 2006}, // Greek reads English, even the buttons
        {5, 1006, 2006},  {11, 1106, 6106}, {9, 1106, 12106}, {7, 1121, 9121}, {4, 1018, 5018}, {3, 1131, 1131}};
    for (const lookup_case& c : cases) {
        tal::set_language(c.language);
        EXPECT_EQ(GetLocalizedStringId(c.key), c.id) << "language " << c.language << ", key " << c.key;
    }
    tal::set_language(0);
    for (const unsigned key : keys)
        EXPECT_EQ(GetLocalizedStringId(key), key);
}

TEST_F(Strings, MessagesWithInserts)
{
    tal::set_language(1);
    EXPECT_EQ(FormatLocalizedMessage(1101, {L"Vantrel 7.04", L"Vantrel 7.05a"}),
              L"Update from 'Vantrel 7.04' to 'Vantrel 7.05a'.");
    EXPECT_EQ(FormatLocalizedMessage(1105, {L"Next", L"Cancel"}),
              L"Click on 'Next' to continue or on 'Cancel' to exit Installation.");
    EXPECT_EQ(GetInstallerTitle(false), L"Installer");
    EXPECT_EQ(GetInstallerTitle(true), L"Installer \u2013 Vantrel 7.05a");
    tal::set_language(2);
    EXPECT_EQ(FormatLocalizedMessage(1127, {L"Vantrel"}),
              L"Bitte schlie\u00dfen Sie 'Vantrel', bevor Sie mit der Installation fortfahren.");
    tal::set_language(0);
    EXPECT_EQ(GetInstallerTitle(true), L"Installeur \u2013 Vantrel 7.05a");
    try {
        FormatLocalizedMessage(1300, {}); // no such block
        FAIL() << "formatted a missing message";
    } catch (const std::system_error& e) {
        EXPECT_EQ(static_cast<unsigned>(e.code().value()), 0x80004005u);
    }
    try {
        FormatLocalizedMessage(1116, {}); // inside a block, not in the table
        FAIL() << "formatted an empty message";
    } catch (const std::system_error& e) {
        EXPECT_EQ(static_cast<unsigned>(e.code().value()), 0x80070057u);
    }
}

TEST_F(Strings, LanguageSets)
{
    for (int i = 0; i < 17; ++i) {
        EXPECT_EQ(IsProductLanguage(i), (0x40BFu >> i) & 1u) << i;
        const bool untranslated = i == 5 || i == 6 || i == 8 || i == 10 || i == 12 || i == 13 || i == 14 || i == 15 || i == 16;
        EXPECT_EQ(IsInstallerTranslated(i), !untranslated) << i;
    }
    EXPECT_FALSE(IsProductLanguage(20));
    EXPECT_FALSE(IsProductLanguage(-1));
}

} // namespace
