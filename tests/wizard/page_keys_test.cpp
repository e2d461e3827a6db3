// Enter and Escape inside the pages act as the frame's buttons would, and nothing leaves the
// wizard while the installation runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installation_fixture.h"
#include "wizard_driver.h"

namespace {

using test::Installation;

const std::wstring exit_question = L"Installation is not complete.\r\n\r\nDo you still confirm exit Installation ?";

// Escape in `target`: Exit's question, answered No; the same page stays, shown and alive.
void escape_asks_and_no_keeps_the_page(test::wizard& w, HWND target, int page)
{
    const HWND shown = w.page();
    test::post_key(target, VK_ESCAPE);
    const HWND confirm = test::wait_for_message_box(w.pid(), 5000);
    ASSERT_TRUE(confirm) << "Escape on page " << page << " did not ask as Exit does";
    EXPECT_EQ(test::message_box_text(confirm), exit_question);
    test::press(confirm, IDNO);
    test::settle();
    EXPECT_FALSE(w.ended(0));
    EXPECT_TRUE(::IsWindow(shown));
    EXPECT_EQ(w.page(), shown);
    EXPECT_EQ(w.page_index(), page);
}

TEST_F(Installation, EnterAndEscapeInTheLogActAsTheFrameButtons)
{
    test::wizard w;
    w.next();
    w.next();
    ASSERT_TRUE(w.wait_page(PAGE_INSTALL));
    const HWND page = w.page();
    const HWND log = ::GetDlgItem(page, IDC_LOG);
    const std::wstring summary = test::item_text(page, IDC_LOG);
    ASSERT_NE(summary.find(L"Installation Options"), std::wstring::npos);

    // A multiline edit takes Escape as closing its parent: the page must not end itself.
    escape_asks_and_no_keeps_the_page(w, log, PAGE_INSTALL);
    EXPECT_TRUE(::IsWindowVisible(page));
    EXPECT_EQ(test::item_text(page, IDC_LOG), summary);

    // Enter in the log presses the default button: Install.
    test::post_key(log, VK_RETURN);
    test::settle();
    ASSERT_TRUE(test::wait_run_end(w));
    const std::wstring text = test::item_text(page, IDC_LOG);
    EXPECT_NE(text.find(L"Preparing Installation...OK"), std::wstring::npos) << test::narrow(text);
    EXPECT_NE(text.find(L"Installation Data Writing...OK"), std::wstring::npos) << test::narrow(text);
    EXPECT_EQ(test::item_text(page, IDC_STATUS), L"Click on 'Next' to continue.");

    // Installed: Enter goes on to the end page, where Enter is Exit and leaves without a question.
    test::post_key(log, VK_RETURN);
    ASSERT_TRUE(w.wait_page(PAGE_END));
    EXPECT_EQ(test::item_text(w.page(), IDC_TEXT), L"Installation is complete.");
    test::post_key(w.page(), VK_RETURN);
    EXPECT_TRUE(w.ended(10000));
    EXPECT_EQ(test::wait_for_message_box(w.pid(), 0), nullptr);
}

TEST(PageKeys, EnterAndEscapeInThePagesControls)
{
    struct page_case {
        int page;
        int control; // 0: the page itself
    };
    const page_case cases[] = {
        {PAGE_START, 0}, {PAGE_MODE, IDC_QUICK_MODE}, {PAGE_PATH, IDC_FOLDER}, {PAGE_SHORTCUT, IDC_MENU_SHORTCUT}};
    test::wizard w;
    for (const page_case& c : cases) {
        ASSERT_TRUE(w.wait_page(c.page));
        const HWND target = c.control ? ::GetDlgItem(w.page(), c.control) : w.page();
        escape_asks_and_no_keeps_the_page(w, target, c.page);
        if (c.page == PAGE_MODE)
            w.press_page(IDC_ADVANCED_MODE); // to walk every page
        // Enter is Next.
        test::post_key(target, VK_RETURN);
        EXPECT_TRUE(w.wait_page(c.page + 1)) << "Enter on page " << c.page;
    }
    std::wstring question;
    EXPECT_TRUE(w.leave(&question));
    EXPECT_EQ(question, exit_question);
}

TEST_F(Installation, NoWayOutWhileTheRunIsInProgress)
{
    test::wizard w;
    w.next();
    w.next();
    ASSERT_TRUE(w.wait_page(PAGE_INSTALL));
    const HWND frame = w.frame();
    const HWND log = ::GetDlgItem(w.page(), IDC_LOG);
    // Install, and queued right behind it every way out and a second Install: each is handled
    // while the run is in progress, whether the run pumps them or they wait for its end.
    test::press(frame, IDOK);
    test::post_key(frame, VK_ESCAPE);
    test::post_key(log, VK_ESCAPE);
    ::PostMessageW(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    test::post_key(frame, VK_F4, true);
    test::press(frame, IDOK);
    test::settle();

    std::vector<std::wstring> asked;
    for (int i = 0; i < 300 && !test::item_enabled(frame, IDCANCEL); ++i) {
        if (const HWND box = test::wait_for_message_box(w.pid(), 100)) {
            asked.push_back(test::message_box_text(box));
            test::press(box, IDNO);
        }
    }
    if (const HWND late = test::wait_for_message_box(w.pid(), 1500)) {
        asked.push_back(test::message_box_text(late));
        test::press(late, IDNO);
    }
    EXPECT_TRUE(asked.empty()) << asked.size() << " question(s) during the run: " << test::narrow(asked.front());
    ASSERT_TRUE(test::item_enabled(frame, IDCANCEL));
    EXPECT_FALSE(w.ended(0));
    EXPECT_TRUE(::IsWindowVisible(frame));

    // One run, complete, and the end page after it.
    const std::wstring text = test::item_text(w.page(), IDC_LOG);
    const std::size_t first = text.find(L"Preparing Installation...");
    ASSERT_NE(first, std::wstring::npos) << test::narrow(text);
    EXPECT_EQ(text.find(L"Preparing Installation...", first + 1), std::wstring::npos) << test::narrow(text);
    EXPECT_NE(text.find(L"Installation Data Writing...OK"), std::wstring::npos) << test::narrow(text);
    EXPECT_EQ(test::item_text(frame, IDOK), L"Next  >");
    w.next();
    ASSERT_TRUE(w.wait_page(PAGE_END));
    EXPECT_EQ(test::item_text(w.page(), IDC_TEXT), L"Installation is complete.");
    w.press_frame(IDCANCEL);
    EXPECT_TRUE(w.ended(10000));
}

} // namespace
