#pragma once
// The installer's wizard seen from a test: start it, find its pages, read and press.
#include <memory>
#include <string>

#include "resources/resource_ids.h"
#include "window_driver.h"
#include "wizard/page_index.h"

namespace test {

std::wstring installer_path();

class wizard {
public:
    // Starts `installer` (the built one by default) with `arguments` and waits for its wizard.
    explicit wizard(const std::wstring& installer = installer_path(), const std::wstring& arguments = L"");
    ~wizard();

    HWND frame() const { return frame_; }
    HWND page() const { return visible_page(frame_); }
    DWORD pid() const { return program_->id(); }
    // The page index (WizardPage) from the controls it shows; PAGE_NONE when unknown.
    int page_index() const;
    // The page that shows control `id` (all pages exist from the start, most hidden).
    HWND page_with(int id) const;

    void next();
    void back();
    // Presses a button of the frame or of the visible page and waits for the wizard to settle.
    void press_frame(int id);
    void press_page(int id);
    // Picks an entry of the language list by its position.
    void pick_language(int position);
    // Waits until the page index is `index`; false after a few seconds.
    bool wait_page(int index) const;
    bool ended(DWORD ms);
    // The same, with the installer's exit code.
    bool ended(DWORD ms, DWORD& code);
    // Presses Exit and answers Yes if the wizard asks; `question` receives what it asked (empty
    // when it did not). True when the installer then ended.
    bool leave(std::wstring* question = nullptr);
    void save_screenshot(const std::wstring& name) const;
    // Goes to the folder page in the advanced mode.
    void to_folder_page();

private:
    std::unique_ptr<program> program_;
    HWND frame_ = nullptr;
};

// Lets pending messages of another process be handled.
void settle();

// Posts a key press to `window` as the keyboard would queue it, with Alt held when `alt`.
void post_key(HWND window, UINT key, bool alt = false);

} // namespace test
