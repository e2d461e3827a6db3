#pragma once
// Texts for the security tests' messages: a SID in its string form, a path in narrow text.
#include <windows.h>
#include <sddl.h>

#include <string>

namespace test {

inline std::wstring sid_text(PSID sid)
{
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text))
        return L"(invalid)";
    std::wstring result = text;
    ::LocalFree(text);
    return result;
}

inline std::string ascii(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

} // namespace test
