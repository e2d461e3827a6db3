// Drives a quick installation through the wizard, as a user would, for the main job on a
// machine without a display: a screenshot of every page passed, and the installation page's
// log written to a UTF-8 file. quick_install SCREENSHOT_FOLDER LOG_FILE
#include <windows.h>

#include <cstdio>
#include <string>

#include "wizard_driver.h"

namespace {

bool save(const test::wizard& w, const std::wstring& folder, const std::wstring& name)
{
    ::RedrawWindow(w.frame(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    test::settle();
    return test::screenshot(w.frame(), folder + L"\\" + name + L".bmp");
}

bool write_utf8(const std::wstring& path, const std::wstring& text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                          nullptr);
    const tal::unique_hfile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3)
        return 2;
    const std::wstring shots = argv[1];
    try {
        test::wizard w;
        save(w, shots, L"page0-start");
        w.next();
        if (!w.wait_page(PAGE_MODE))
            return 3;
        save(w, shots, L"page1-mode");
        w.next();
        if (!w.wait_page(PAGE_INSTALL))
            return 3;
        save(w, shots, L"page4-summary");
        w.next(); // Install
        for (int i = 0; i < 600 && !test::item_enabled(w.frame(), IDCANCEL); ++i)
            ::Sleep(100);
        save(w, shots, L"page4-installed");
        const std::wstring log =
            test::item_text(w.page(), IDC_LOG) + L"\r\n" + test::item_text(w.page(), IDC_STATUS) + L"\r\n";
        write_utf8(argv[2], log);
        // After a completed run Back is disabled; after a failed one it is not.
        const bool installed = !test::item_enabled(w.frame(), IDC_BACK);
        if (installed) {
            w.next();
            if (w.wait_page(PAGE_END))
                save(w, shots, L"page5-end");
        }
        return w.leave() && installed ? 0 : 1;
    } catch (const std::exception&) {
        return 4;
    }
}
