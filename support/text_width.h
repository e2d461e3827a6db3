#pragma once
// Widths of texts as a window draws them.
#include <windows.h>

#include <string>

namespace tal {

// A window's DC with a font selected into it; the old font is put back and the DC released
// when it ends.
class window_dc {
public:
    window_dc(HWND window, HFONT font) noexcept;
    ~window_dc();
    window_dc(const window_dc&) = delete;
    window_dc& operator=(const window_dc&) = delete;

    HDC get() const noexcept { return dc_; }
    // Width in pixels of `text` in the selected font; 0 when it cannot be measured.
    int text_width(const std::wstring& text) const noexcept;

private:
    HWND window_;
    HDC dc_;
    HGDIOBJ old_font_ = nullptr;
};

// Width in pixels of `text` drawn in `window` with `font`.
int text_width(HWND window, HFONT font, const std::wstring& text);

} // namespace tal
