// Error texts, the message box rules, and real boxes answered from another thread.
#include <windows.h>

#include <gtest/gtest.h>

#include "framework/winapp.h"
#include "message_box_watch.h"
#include "support/error_box.h"
#include "support/message_box.h"

namespace {

constexpr DWORD e_fail = 0x80004005;

// Strings of the tests' own table (support_tests.rc).
constexpr unsigned administrator_text_id = 1126;
constexpr unsigned installer_caption_id = 2000;

std::wstring raw_system_text(DWORD code)
{
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS
                                              | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                          nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::wstring text(buffer ? buffer : L"", length);
    ::LocalFree(buffer);
    return text;
}

TEST(SystemMessageText, SystemTextsWithoutTheirLineBreak)
{
    const std::wstring fail = tal::system_message_text(e_fail, 0);
    ASSERT_FALSE(fail.empty());
    for (const DWORD code : {DWORD{ERROR_BUSY}, DWORD{0x8000FFFF}, DWORD{ERROR_ACCESS_DENIED}, e_fail}) {
        const std::wstring raw = raw_system_text(code);
        const std::wstring text = tal::system_message_text(code, 0);
        if (raw.empty()) {
            // Wine has no text for some codes (E_UNEXPECTED among them): the failure text stands in.
            EXPECT_EQ(text, fail) << std::hex << code;
            continue;
        }
        EXPECT_NE(text.back(), L'\n');
        EXPECT_NE(text.back(), L'\r');
        std::wstring stripped = raw;
        while (!stripped.empty() && (stripped.back() == L'\r' || stripped.back() == L'\n'))
            stripped.pop_back();
        EXPECT_EQ(text, stripped) << std::hex << code;
    }
}

TEST(SystemMessageText, UnknownCodesGiveTheFailureText)
{
    const std::wstring fail = tal::system_message_text(e_fail, 0);
    EXPECT_EQ(tal::system_message_text(0x2000ABCD, 0), fail);
    EXPECT_EQ(tal::system_message_text(0xE0001234, 0), fail);
}

TEST(SystemMessageText, LanguageWithoutTextFallsBackToTheNeutralOne)
{
    for (const LANGID language : {LANGID{0x047E}, LANGID{0x0491}, LANGID{0x0436}, LANGID{0x0420}}) {
        wchar_t* buffer = nullptr;
        const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS
                                                  | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                              nullptr, ERROR_BUSY, language, reinterpret_cast<LPWSTR>(&buffer), 0,
                                              nullptr);
        const DWORD error = ::GetLastError();
        ::LocalFree(buffer);
        if (length == 0 && error == ERROR_RESOURCE_LANG_NOT_FOUND) {
            EXPECT_EQ(tal::system_message_text(ERROR_BUSY, language), tal::system_message_text(ERROR_BUSY, 0));
            return;
        }
    }
    GTEST_SKIP() << "every language tried has a text for ERROR_BUSY here";
}

TEST(ErrorText, TheMarkedBitsSelectTheText)
{
    const std::wstring fail = tal::system_message_text(e_fail, 0);
    EXPECT_EQ(tal::error_text(0x28000000 | 1126, 0),
              L"You should have Administrator Rights in order to proceed to Installation.");
    EXPECT_EQ(tal::error_text(0x28000000 | 1130, 0), fail); // empty string
    EXPECT_EQ(tal::error_text(0x28000000 | 1999, 0), fail); // no such string
    EXPECT_EQ(tal::error_text(0x20000000 | 1126, 0), fail); // without the string bit
    EXPECT_EQ(tal::error_text(ERROR_BUSY, 0), tal::system_message_text(ERROR_BUSY, 0));
}

struct style_case {
    UINT type;
    bool rtl;
    UINT expected;
};

TEST(MessageBoxStyle, IconAndReadingOrderRules)
{
    const std::vector<style_case> cases{
        {0, false, MB_OK | MB_ICONEXCLAMATION},
        {MB_OKCANCEL, false, MB_OKCANCEL | MB_ICONEXCLAMATION},
        {MB_YESNO, false, MB_YESNO | MB_ICONQUESTION},
        {MB_YESNOCANCEL, false, MB_YESNOCANCEL | MB_ICONQUESTION},
        {MB_RETRYCANCEL, false, MB_RETRYCANCEL},
        {MB_ABORTRETRYIGNORE, false, MB_ABORTRETRYIGNORE},
        {MB_OK | MB_ICONINFORMATION, false, MB_OK | MB_ICONINFORMATION},
        {MB_YESNO | MB_ICONSTOP, false, MB_YESNO | MB_ICONSTOP},
        {MB_RETRYCANCEL | MB_ICONEXCLAMATION, false, MB_RETRYCANCEL | MB_ICONEXCLAMATION},
        {0, true, MB_OK | MB_ICONEXCLAMATION | MB_RTLREADING},
        {MB_YESNO, true, MB_YESNO | MB_ICONQUESTION | MB_RTLREADING},
    };
    for (const style_case& c : cases)
        EXPECT_EQ(tal::message_box_style(c.type, c.rtl), c.expected) << std::hex << c.type << " " << c.rtl;
}

TEST(MessageBoxStyle, ReadingOrderFollowsTheOwnersLayout)
{
    const HWND ltr = ::CreateWindowExW(0, L"STATIC", L"ltr", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    const HWND rtl =
        ::CreateWindowExW(WS_EX_LAYOUTRTL, L"STATIC", L"rtl", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(tal::message_box_right_to_left(ltr));
    EXPECT_TRUE(tal::message_box_right_to_left(rtl));
    // No owner: the user's language decides; Wine's user language here is left to right.
    EXPECT_FALSE(tal::message_box_right_to_left(nullptr));
    ::DestroyWindow(ltr);
    ::DestroyWindow(rtl);
}

class ApplicationBoxes : public ::testing::Test {
protected:
    CWinApp app{L"Installer \u2013 Vantrel 7.05a"};
};

TEST_F(ApplicationBoxes, ShowErrorUsesTheSystemTextAndTheApplicationName)
{
    test::message_box_answerer answer(IDOK);
    tal::show_error(ERROR_BUSY);
    const test::shown_box box = answer.result();
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.caption, L"Installer \u2013 Vantrel 7.05a");
    EXPECT_EQ(box.text, tal::system_message_text(ERROR_BUSY, 0));
}

TEST_F(ApplicationBoxes, StringIdsAndTheAnswer)
{
    test::message_box_answerer answer(IDRETRY);
    const int result = tal::message_box(MAKEINTRESOURCEW(administrator_text_id), MAKEINTRESOURCEW(installer_caption_id),
                                        MB_RETRYCANCEL);
    const test::shown_box box = answer.result();
    EXPECT_EQ(result, IDRETRY);
    EXPECT_EQ(box.caption, L"Installer");
    EXPECT_EQ(box.text, L"You should have Administrator Rights in order to proceed to Installation.");
    EXPECT_TRUE(app.IsModelessEnabled());
}

TEST_F(ApplicationBoxes, OwnerIsDisabledWhileTheBoxIsUpAndEnabledAfter)
{
    const HWND main = ::CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                        nullptr, nullptr, nullptr, nullptr);
    CWnd wrapper;
    wrapper.m_hWnd = main;
    app.m_pMainWnd = &wrapper;
    ::SetActiveWindow(main);
    test::message_box_answerer answer(IDOK);
    tal::message_box(L"text", L"", MB_OK);
    const test::shown_box box = answer.result();
    EXPECT_EQ(box.caption, L"Installer \u2013 Vantrel 7.05a"); // an empty caption is the name too
    EXPECT_EQ(box.owner, main);
    EXPECT_FALSE(box.owner_enabled);
    EXPECT_TRUE(::IsWindowEnabled(main));
    app.m_pMainWnd = nullptr;
    ::DestroyWindow(main);
}

} // namespace
