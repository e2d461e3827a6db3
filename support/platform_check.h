#pragma once
// The checks that run during static initialisation, before the application object exists.
#include <windows.h>

namespace tal {

// The Windows version check's result: the check ends the process instead of answering false.
extern bool windows_version_ok;

// Refuses processors without SSE2 and Windows XP before SP3 or Server 2003 before SP2 with a
// message box and exit code 1 (no static destructors). Returns true otherwise.
bool check_windows_version();

// Ends the process with exit code -11 when the text conversion facilities cannot be set up.
bool check_locale_initialization();

// True when the C runtime has answered its locale query with `runtime_locale` and a short text
// goes through `code_page` to UTF-16 and back unchanged.
bool text_conversion_works(const wchar_t* runtime_locale, UINT code_page);

enum class version_verdict { accepted, incompatible, version_query_failed, unknown_version };

version_verdict judge_windows_version(bool sse2, bool version_known, DWORD major, DWORD minor, WORD service_pack);

// The text shown for a refusal (empty for accepted).
const wchar_t* version_verdict_text(version_verdict verdict);
} // namespace tal
