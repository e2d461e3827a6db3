// Every page in the user's language: a screenshot kept for people to look at, and a check
// that every text fits its control and no two controls overlap. One run per language, the
// language set through Wine's locale environment (see CMakeLists.txt).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "helper_process.h"
#include "installation_fixture.h"
#include "wizard_driver.h"

namespace {

// The dialogs' font, "MS Shell Dlg" 8 at the screen's resolution.
class dialog_font {
public:
    dialog_font() : dc_(::CreateCompatibleDC(nullptr))
    {
        LOGFONTW font{};
        font.lfHeight = -::MulDiv(8, ::GetDeviceCaps(dc_, LOGPIXELSY), 72);
        font.lfCharSet = DEFAULT_CHARSET;
        ::lstrcpyW(font.lfFaceName, L"MS Shell Dlg");
        font_ = ::CreateFontIndirectW(&font);
        old_ = ::SelectObject(dc_, font_);
    }
    ~dialog_font()
    {
        ::SelectObject(dc_, old_);
        ::DeleteObject(font_);
        ::DeleteDC(dc_);
    }
    // The size the text needs, wrapped at `width` when `wrap`.
    SIZE measure(const std::wstring& text, int width, bool wrap) const
    {
        RECT r{0, 0, width, 0};
        ::DrawTextW(dc_, text.c_str(), -1, &r, DT_CALCRECT | DT_NOPREFIX | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
        return {r.right, r.bottom};
    }

private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ old_;
};

std::wstring class_of(HWND window)
{
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

struct control {
    HWND window;
    int id;
    RECT rect; // in the dialog's client coordinates
};

std::vector<control> controls_of(HWND dialog)
{
    std::vector<control> list;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(child) || class_of(child) == L"#32770")
            continue;
        RECT r{};
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        list.push_back({child, ::GetDlgCtrlID(child), r});
    }
    return list;
}

// Room the control itself takes beside its text.
int chrome_of(HWND window, bool& wraps)
{
    const std::wstring name = class_of(window);
    const LONG style = ::GetWindowLongW(window, GWL_STYLE);
    wraps = false;
    if (::lstrcmpiW(name.c_str(), L"Button") == 0) {
        const LONG type = style & BS_TYPEMASK;
        if (type == BS_GROUPBOX)
            return 12;
        if (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX || type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON)
            return 18;
        return 8;
    }
    if (::lstrcmpiW(name.c_str(), L"Static") == 0) {
        const LONG type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_RIGHT && type != SS_CENTER)
            return -1; // pictures, rectangles, lines: no text
        wraps = true;
        return 0;
    }
    return -1; // edits and lists scroll their text
}

void expect_texts_fit(HWND dialog, const dialog_font& font, const std::string& where)
{
    const std::vector<control> list = controls_of(dialog);
    for (const control& c : list) {
        const std::wstring text = test::window_text(c.window);
        bool wraps = false;
        const int chrome = chrome_of(c.window, wraps);
        if (text.empty() || chrome < 0)
            continue;
        const int width = c.rect.right - c.rect.left, height = c.rect.bottom - c.rect.top;
        const SIZE need = font.measure(text, width - chrome, wraps);
        if (wraps)
            EXPECT_LE(need.cy, height) << where << ": control " << c.id << " needs " << need.cy << " of " << height
                                       << " pixels in height";
        else
            EXPECT_LE(need.cx + chrome, width) << where << ": control " << c.id << " needs " << need.cx + chrome
                                               << " of " << width << " pixels in width";
    }
    // No two controls overlap, group boxes and the frame's panel apart.
    for (std::size_t i = 0; i < list.size(); ++i) {
        for (std::size_t j = i + 1; j < list.size(); ++j) {
            bool wraps = false;
            const auto container = [&](const control& c) {
                const LONG style = ::GetWindowLongW(c.window, GWL_STYLE);
                return (class_of(c.window) == L"Button" && (style & BS_TYPEMASK) == BS_GROUPBOX)
                       || c.id == IDC_SIDE_BACKGROUND
                       || (class_of(c.window) == L"Static" && chrome_of(c.window, wraps) < 0 && c.id == -1);
            };
            if (container(list[i]) || container(list[j]))
                continue;
            RECT overlap{};
            EXPECT_FALSE(::IntersectRect(&overlap, &list[i].rect, &list[j].rect))
                << where << ": controls " << list[i].id << " and " << list[j].id << " overlap";
        }
    }
}

// The UI language that the run was given ("de", ...), or empty.
std::wstring ui_language()
{
    const wchar_t* language = _wgetenv(L"VANTREL_TEST_UI");
    return language ? language : L"";
}

TEST(Screenshots, EveryPageInTheUsersLanguage)
{
    const std::wstring prefix = ui_language();
    if (prefix.empty())
        GTEST_SKIP() << "runs with a UI language set through Wine's locale environment";
    const std::string name(prefix.begin(), prefix.end());
    const dialog_font font;

    test::wizard w;
    const char* pages[] = {"start", "mode", "folder", "shortcuts", "installation"};
    for (int page = PAGE_START; page <= PAGE_INSTALL; ++page) {
        ASSERT_TRUE(w.wait_page(page)) << page;
        w.save_screenshot(prefix + L"-" + std::to_wstring(page) + L"-" + std::wstring(pages[page], pages[page] + strlen(pages[page])));
        expect_texts_fit(w.page(), font, name + " " + pages[page]);
        expect_texts_fit(w.frame(), font, name + " frame on " + pages[page]);
        if (page == PAGE_MODE)
            w.press_page(IDC_ADVANCED_MODE); // advanced, to see every page
        if (page < PAGE_INSTALL)
            w.next(); // on the installation page Next would install
    }

    ::PostMessageW(w.frame(), WM_SYSCOMMAND, IDM_ABOUT, 0);
    const HWND about = test::wait_for_dialog(w.pid(), IDC_ABOUT_TITLE, 10000);
    ASSERT_TRUE(about);
    test::settle();
    test::screenshot(about, test::test_folder() + L"..\\screenshots\\" + prefix + L"-about.bmp");
    expect_texts_fit(about, font, name + " about");
    test::press(about, IDOK);
    test::settle();

    w.press_frame(IDCANCEL);
    const HWND confirm = test::wait_for_message_box(w.pid(), 10000);
    ASSERT_TRUE(confirm);
    test::screenshot(confirm, test::test_folder() + L"..\\screenshots\\" + prefix + L"-leave.bmp");
    test::press(confirm, IDYES);
    EXPECT_TRUE(w.ended(10000));
}

// The start page in the states that a previous installation gives it; the other pages read
// the same in every state.
struct previous_case {
    const char* name;
    const wchar_t* program; // the installed program's version module
};

class StartPageScreenshots : public ::testing::TestWithParam<previous_case> {};

TEST_P(StartPageScreenshots, TextsFitWithAPreviousInstallation)
{
    const std::wstring prefix = ui_language();
    if (prefix.empty())
        GTEST_SKIP() << "runs with a UI language set through Wine's locale environment";
    const std::string name = std::string(prefix.begin(), prefix.end()) + " start page, " + GetParam().name;
    const dialog_font font;
    const test::installed_product previous(GetParam().program);
    test::wizard w;
    ASSERT_TRUE(w.wait_page(PAGE_START));
    w.save_screenshot(prefix + L"-0-start-" + std::wstring(GetParam().name, GetParam().name + strlen(GetParam().name)));
    expect_texts_fit(w.page(), font, name);
    expect_texts_fit(w.frame(), font, name + ", frame");
    EXPECT_TRUE(w.leave());
}

INSTANTIATE_TEST_SUITE_P(States, StartPageScreenshots,
                         ::testing::Values(previous_case{"same-version", L"program_7_5_1_1.dll"},
                                           previous_case{"older-version", L"program_7_5_0_9.dll"},
                                           previous_case{"newer-version", L"program_8_0_0_0.dll"}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                             return name;
                         });

} // namespace
