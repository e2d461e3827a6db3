#include "support/message_pump.h"

#include <windows.h>

#include "framework/winapp.h"

namespace tal {

void PumpMessages()
{
    MSG msg{};
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        CWinApp* app = AfxGetApp();
        if (app && app->PreTranslateMessage(&msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

} // namespace tal
