#pragma once
#include <windows.h>

#include <string>

namespace tal {

// Shows the text of an error code (a Win32 error, an HRESULT, or an installer string id
// marked with bits 0x28000000) in a message box with the exclamation icon.
void show_error(DWORD code);

// The text of a code. Bits 0x20000000 and 0x08000000 together: the string of id (code AND
// 0xFFFF); 0x20000000 alone: E_FAIL; otherwise the system's text.
std::wstring error_text(DWORD code, LANGID language);

// The system's text for a code, trailing line breaks removed; the E_FAIL text, or "Error",
// when the system has none.
std::wstring system_message_text(DWORD code, LANGID language);

} // namespace tal
