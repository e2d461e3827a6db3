// The string tables and the lookup rule, against the compiled tables.
#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "app/localized_strings.h"
#include "app/message_keys.h"
#include "support/language.h"

namespace {

// The id of message `key` in the string table's block `block` (1 French, 2 English, 3 German...).
constexpr unsigned in_block(unsigned block, unsigned key)
{
    return block * 1000 + key - MSG_INSTALLER;
}

// A key of no block, and a key inside the French block that the table leaves out.
constexpr unsigned no_such_block = MSG_INSTALLER + 300;
constexpr unsigned not_in_the_table = MSG_COPYING_FILE + 1;

const std::vector<unsigned> keys = [] {
    std::vector<unsigned> k;
    for (unsigned i = 0; i <= 18; ++i)
        k.push_back(MSG_INSTALLER + i);
    for (unsigned i = 100; i <= 115; ++i)
        k.push_back(MSG_INSTALLER + i);
    for (unsigned i = 117; i <= 127; ++i)
        k.push_back(MSG_INSTALLER + i);
    k.push_back(MSG_UNDER_TRANSLATION);
    k.push_back(MSG_DIRECTX_UPDATE);
    for (unsigned i = MSG_TOO_MANY_CHARACTERS; i <= MSG_INTERRUPTED_RUN_NOT_UNDONE; ++i)
        k.push_back(i);
    k.push_back(MSG_UNKNOWN_SWITCH);
    return k;
}();

std::wstring text_of(unsigned id)
{
    std::wstring text;
    load_installer_string(id, text);
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
            const bool expected = std::find(keys.begin(), keys.end(), MSG_INSTALLER + offset) != keys.end();
            std::wstring text;
            const bool present = load_installer_string(base + offset, text) && !text.empty();
            EXPECT_EQ(present, expected) << "language " << language << ", id " << base + offset;
        }
    }
}

TEST_F(Strings, TranslationsKeepTheFrenchInserts)
{
    for (int language = 0; language < tal::language_count; ++language) {
        const unsigned base = tal::language_table_row(language).block_base;
        for (const unsigned key : keys) {
            const std::wstring text = text_of(key - MSG_INSTALLER + base);
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
            placeholders += text_of(key - MSG_INSTALLER + base) == L"#" ? 1 : 0;
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
    EXPECT_EQ(text_of(MSG_MENU_SHORTCUT), L"Cr\u00e9er un raccourci dans le menu suivant\u00a0:");
    EXPECT_EQ(text_of(MSG_OPTION_FOLDER), L"Dossier d'installation\u00a0: %1.");
    EXPECT_EQ(text_of(in_block(2, MSG_COPYING_FILE)), L"Copying File  %1...");
    EXPECT_EQ(text_of(in_block(2, MSG_CONFIRM_EXIT)),
              L"Installation is not complete.\r\n\r\nDo you still confirm exit Installation ?");
    EXPECT_EQ(text_of(in_block(2, MSG_UNDER_TRANSLATION)),
              L"'%1' will be installed in the selected Langage, but the Installer, still under "
              L"translation,  shall run in English.");
    EXPECT_EQ(text_of(MSG_DIRECTX_UPDATE), L"Mise \u00e0 jour de DirectX...");
    EXPECT_EQ(text_of(in_block(2, MSG_DIRECTX_UPDATE)), L"#");
    EXPECT_EQ(text_of(in_block(3, MSG_EXAMPLES)), L"%1-Beispiele");
}

struct lookup_case {
    int language;
    unsigned key;
    unsigned id;
};

TEST_F(Strings, LookupRule)
{
    const std::vector<lookup_case> cases{
        {2, MSG_DIRECTX_UPDATE, MSG_DIRECTX_UPDATE}, // German placeholder, English placeholder: French
        {2, MSG_CLICK_TO_CONTINUE, in_block(3, MSG_CLICK_TO_CONTINUE)},
        {1, MSG_DIRECTX_UPDATE, MSG_DIRECTX_UPDATE},
        {1, MSG_CLICK_TO_CONTINUE, in_block(2, MSG_CLICK_TO_CONTINUE)},
        {0, MSG_CLICK_TO_CONTINUE, MSG_CLICK_TO_CONTINUE},
        {0, MSG_DIRECTX_UPDATE, MSG_DIRECTX_UPDATE},
        {0, MSG_INSTALLER, MSG_INSTALLER},
        {5, MSG_CLICK_TO_CONTINUE, in_block(2, MSG_CLICK_TO_CONTINUE)}, // Dutch reads English
        {14, MSG_NEXT, in_block(2, MSG_NEXT)},                          // Greek reads English, even the buttons
        {5, MSG_NEXT, in_block(2, MSG_NEXT)},
        {11, MSG_CLICK_TO_CONTINUE, in_block(6, MSG_CLICK_TO_CONTINUE)},
        {9, MSG_CLICK_TO_CONTINUE, in_block(12, MSG_CLICK_TO_CONTINUE)},
        {7, MSG_INSTALLATION_FAILED, in_block(9, MSG_INSTALLATION_FAILED)},
        {4, MSG_EXAMPLES, in_block(5, MSG_EXAMPLES)},
        {3, MSG_DIRECTX_UPDATE, MSG_DIRECTX_UPDATE}};
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
    EXPECT_EQ(FormatLocalizedMessage(MSG_UPDATE_FROM_TO, {L"Vantrel 7.04", L"Vantrel 7.05a"}),
              L"Update from 'Vantrel 7.04' to 'Vantrel 7.05a'.");
    EXPECT_EQ(FormatLocalizedMessage(MSG_CONTINUE_OR_EXIT, {L"Next", L"Cancel"}),
              L"Click on 'Next' to continue or on 'Cancel' to exit Installation.");
    EXPECT_EQ(GetInstallerTitle(false), L"Installer");
    EXPECT_EQ(GetInstallerTitle(true), L"Installer \u2013 Vantrel 7.05a");
    tal::set_language(2);
    EXPECT_EQ(FormatLocalizedMessage(MSG_CLOSE_PRODUCT, {L"Vantrel"}),
              L"Bitte schlie\u00dfen Sie 'Vantrel', bevor Sie mit der Installation fortfahren.");
    tal::set_language(0);
    EXPECT_EQ(GetInstallerTitle(true), L"Installeur \u2013 Vantrel 7.05a");
    try {
        FormatLocalizedMessage(no_such_block, {});
        FAIL() << "formatted a missing message";
    } catch (const std::system_error& e) {
        EXPECT_EQ(static_cast<unsigned>(e.code().value()), 0x80004005u);
    }
    try {
        FormatLocalizedMessage(not_in_the_table, {});
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
