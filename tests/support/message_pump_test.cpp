// Pumping the GUI thread's queue from inside a long handler.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "framework/winapp.h"
#include "support/message_pump.h"

namespace {

std::vector<UINT> delivered;

LRESULT CALLBACK record(HWND window, UINT message, WPARAM w, LPARAM l)
{
    if (message >= WM_APP)
        delivered.push_back(message);
    return ::DefWindowProcW(window, message, w, l);
}

// Handles WM_APP + 1 itself, as the framework handles dialog keys.
class filtering_app : public CWinApp {
public:
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message == WM_APP + 1) {
            ++pretranslated;
            return TRUE;
        }
        return CWinApp::PreTranslateMessage(msg);
    }
    int pretranslated = 0;
};

class Pump : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = record;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VantrelPumpTest";
        ::RegisterClassW(&wc);
        window = ::CreateWindowExW(0, L"VantrelPumpTest", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                   wc.hInstance, nullptr);
        delivered.clear();
        MSG drain;
        while (::PeekMessageW(&drain, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    void TearDown() override { ::DestroyWindow(window); }

    filtering_app app;
    HWND window = nullptr;
};

TEST_F(Pump, EmptyQueueReturnsAtOnce)
{
    const DWORD start = ::GetTickCount();
    tal::PumpMessages();
    EXPECT_LT(::GetTickCount() - start, 500u);
    EXPECT_TRUE(delivered.empty());
}

TEST_F(Pump, DispatchesUnlessTheFrameworkHandlesIt)
{
    ::PostMessageW(window, WM_APP + 1, 0, 0);
    ::PostMessageW(window, WM_APP + 2, 0, 0);
    tal::PumpMessages();
    EXPECT_EQ(app.pretranslated, 1);
    EXPECT_EQ(delivered, std::vector<UINT>{WM_APP + 2});
    MSG left;
    EXPECT_FALSE(::PeekMessageW(&left, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(Pump, QuitIsPutBackAndWhatFollowsStaysQueued)
{
    ::PostMessageW(window, WM_APP + 2, 0, 0);
    ::PostThreadMessageW(::GetCurrentThreadId(), WM_QUIT, 7, 0);
    ::PostMessageW(window, WM_APP + 3, 0, 0);

    tal::PumpMessages();

    EXPECT_EQ(delivered, std::vector<UINT>{WM_APP + 2});
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, window, WM_APP + 3, WM_APP + 3, PM_NOREMOVE));
    // The framework's loop sees the rest, then the quit request with its code.
    int got = 0;
    while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) > 0)
        ::DispatchMessageW(&msg);
    EXPECT_EQ(got, 0);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(delivered, (std::vector<UINT>{WM_APP + 2, WM_APP + 3}));
}

} // namespace
