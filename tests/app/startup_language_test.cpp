// Choosing the language: the decision as a table, and under the user's real UI language,
// which these tests get from Wine's locale environment (see CMakeLists.txt).
#include <windows.h>

#include <gtest/gtest.h>

#include <map>

#include "app/localized_strings.h"
#include "app/message_keys.h"
#include "app/product.h"
#include "app/startup_language.h"
#include "framework/winapp.h"
#include "message_box_watch.h"
#include "state/journal.h"
#include "holders/handles.h"
#include "support/language.h"
#include "support/registry.h"

namespace {

TEST(StartupLanguage, Decisions)
{
    struct decision {
        int ui;
        std::optional<unsigned> recorded;
        int expected;
    };
    const std::vector<decision> cases{
        {1, std::nullopt, 1}, {0, std::nullopt, 0}, {2, std::nullopt, 2},
        {5, std::nullopt, 1}, // Dutch UI: a product language without installer translation
        {1, 14u, 1},          // Greek recorded: accepted, then English
        {1, 2u, 2},   {0, 7u, 7},
        {1, 11u, 1},  // Italian recorded: not a product language
        {2, 20u, 2},  // out of the table
        {2, 0xFFFFFFFFu, 2}};
    for (const decision& d : cases)
        EXPECT_EQ(startup_language(d.ui, d.recorded), d.expected)
            << d.ui << " " << (d.recorded ? static_cast<int>(*d.recorded) : -1);
}

TEST(StartupLanguage, UserInterfaceLanguageToIndex)
{
    const std::vector<std::pair<LANGID, int>> cases{
        {0x040C, 0},  {0x080C, 0},  {0x0409, 1}, {0x0809, 1},  {0x0407, 2},  {0x0C0A, 3}, {0x0416, 4},
        {0x0413, 5},  {0x0406, 6},  {0x041F, 7}, {0x0402, 8},  {0x0418, 9},  {0x0804, 10}, {0x1004, 10},
        {0x0404, -1}, {0x0410, 11}, {0x0405, 12}, {0x0414, 13}, {0x0408, 14}, {0x0415, 15}, {0x040D, 16},
        {0x0411, -1}};
    for (const auto& [langid, index] : cases)
        EXPECT_EQ(tal::index_of_langid(langid), index) << std::hex << langid;
}

// One run per UI language: VANTREL_TEST_UI names it, and Wine's LC_ALL sets it.
class UserLanguage : public ::testing::Test {
protected:
    void SetUp() override
    {
        const wchar_t* ui = _wgetenv(L"VANTREL_TEST_UI");
        if (!ui)
            GTEST_SKIP() << "runs with a UI language set through Wine's locale environment";
        ui_ = ui;
        key_ = std::wstring(uninstall_key_parent) + L"\\" + GetProductKeyName();
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_.c_str());
    }
    void TearDown() override
    {
        if (!key_.empty())
            ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_.c_str());
        tal::set_language(0);
    }
    void record(DWORD language)
    {
        const tal::unique_hkey key = tal::create_key(HKEY_LOCAL_MACHINE, key_.c_str(), KEY_ALL_ACCESS);
        ::RegSetValueExW(key.get(), L"TalLanguage", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&language), 4);
    }

    std::wstring ui_, key_;
    CWinApp app{L"before"};
};

TEST_F(UserLanguage, ChosenAtStartup)
{
    // What the user's UI language gives without a previous installation.
    const std::map<std::wstring, int> expected{{L"it", 1}, {L"nl", 1}, {L"fr", 0}, {L"de", 2}, {L"el", 1}, {L"en", 1}};
    ChooseStartupLanguage();
    EXPECT_EQ(tal::get_language(), expected.at(ui_));
    EXPECT_EQ(app.m_strAppName, GetInstallerTitle(true));

    record(14); // Greek: a product language without installer translation
    ChooseStartupLanguage();
    EXPECT_EQ(tal::get_language(), 1);
    record(11); // Italian: ignored
    ChooseStartupLanguage();
    EXPECT_EQ(tal::get_language(), expected.at(ui_));
    record(20);
    ChooseStartupLanguage();
    EXPECT_EQ(tal::get_language(), expected.at(ui_));
    record(3);
    ChooseStartupLanguage();
    EXPECT_EQ(tal::get_language(), 3);
    EXPECT_EQ(app.m_strAppName, L"Instalador \u2013 Vantrel 7.05a");
}

TEST(ChangeLanguage, UntranslatedLanguageIsAnnouncedInEnglish)
{
    CWinApp app{L"before"};
    int refreshed = 0;
    SetLanguageRefreshHook([&] { ++refreshed; });
    tal::set_language(1);
    {
        test::message_box_answerer answer(IDOK);
        ChangeLanguage(14);
        const test::shown_box box = answer.result();
        ASSERT_TRUE(box.found);
        EXPECT_EQ(box.text, L"'Vantrel' will be installed in the selected Langage, but the Installer, still under "
                            L"translation,  shall run in English.");
    }
    EXPECT_EQ(tal::get_language(), 14); // stays the product language
    EXPECT_EQ(GetLocalizedStringId(MSG_CLICK_TO_CONTINUE),
              MSG_CLICK_TO_CONTINUE - MSG_INSTALLER + tal::language_table_row(1).block_base); // English
    EXPECT_EQ(refreshed, 1);
    EXPECT_EQ(app.m_strAppName, L"Installer \u2013 Vantrel 7.05a");

    ChangeLanguage(2); // translated: no message
    EXPECT_EQ(refreshed, 2);
    EXPECT_EQ(app.m_strAppName, L"Installationsprogramm \u2013 Vantrel 7.05a");
    SetLanguageRefreshHook({});
    tal::set_language(0);
}

} // namespace
