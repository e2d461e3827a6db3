// Vantrel, the product that the default installer carries, in the smallest form that still
// behaves like one: it registers in the running-instance counter while it runs, shows its
// window, and with "/Register /Background" registers its document type and ends with -10.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "support/counted_semaphore.h"
#include "support/registry.h"
#include "holders/handles.h"

namespace {

constexpr int registered_code = -10;

bool set_default(HKEY root, const std::wstring& path, const std::wstring& value)
{
    const tal::unique_hkey key = tal::create_key(root, path.c_str(), KEY_ALL_ACCESS);
    if (!key)
        return false;
    return ::RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// The ".vantrel" document type, opened by this program.
bool register_document_type()
{
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring program = self;
    return set_default(HKEY_CLASSES_ROOT, L".vantrel", L"Vantrel.Document")
           && set_default(HKEY_CLASSES_ROOT, L"Vantrel.Document", L"Vantrel Document")
           && set_default(HKEY_CLASSES_ROOT, L"Vantrel.Document\\DefaultIcon", program + L",0")
           && set_default(HKEY_CLASSES_ROOT, L"Vantrel.Document\\shell\\open\\command",
                          L"\"" + program + L"\" \"%1\"");
}

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command, int show)
{
    if (std::wcsstr(command, L"/Register"))
        return register_document_type() ? registered_code : 1;

    WNDCLASSW window_class{};
    window_class.lpfnWndProc = window_procedure;
    window_class.hInstance = instance;
    window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = L"Vantrel";
    ::RegisterClassW(&window_class);
    const HWND window = ::CreateWindowExW(0, L"Vantrel", L"Vantrel 7.05a", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                          CW_USEDEFAULT, 480, 320, nullptr, nullptr, instance, nullptr);
    ::ShowWindow(window, show);
    // The counter counts this process while it runs; the installer waits for it to end.
    (void)tal::running_instance_registered();
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
