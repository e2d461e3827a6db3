#include "support/text_width.h"

namespace tal {

window_dc::window_dc(HWND window, HFONT font) noexcept : window_(window), dc_(::GetDC(window))
{
    if (dc_ && font)
        old_font_ = ::SelectObject(dc_, font);
}

window_dc::~window_dc()
{
    if (!dc_)
        return;
    if (old_font_)
        ::SelectObject(dc_, old_font_);
    ::ReleaseDC(window_, dc_);
}

int window_dc::text_width(const std::wstring& text) const noexcept
{
    SIZE size{};
    if (!dc_ || !::GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &size))
        return 0;
    return size.cx;
}

int text_width(HWND window, HFONT font, const std::wstring& text)
{
    return window_dc(window, font).text_width(text);
}

} // namespace tal
