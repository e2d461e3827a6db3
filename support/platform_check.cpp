#include "support/platform_check.h"

#include <clocale>
#include <cstdlib>
#include <cstring>

#include "support/dll_search.h"

namespace tal {
version_verdict judge_windows_version(bool sse2, bool version_known, DWORD major, DWORD minor, WORD service_pack)
{
    if (!sse2)
        return version_verdict::incompatible;
    if (!version_known)
        return version_verdict::version_query_failed;
    if (major != 5)
        return version_verdict::accepted; // Vista and every later major version
    if (minor == 1)
        return service_pack >= 3 ? version_verdict::accepted : version_verdict::incompatible;
    if (minor == 2)
        return service_pack >= 2 ? version_verdict::accepted : version_verdict::incompatible;
    return version_verdict::unknown_version;
}

const wchar_t* version_verdict_text(version_verdict verdict)
{
    switch (verdict) {
    case version_verdict::incompatible:
        return L"This Version is not compatible with your Configuration.\n\n"
               L"Cette version n'est pas compatible avec votre configuration.\n\n"
               L"Diese Version ist nicht mit Ihrer Konfiguration kompatibel.";
    case version_verdict::version_query_failed: return L"GetVersionEx() failed";
    case version_verdict::unknown_version: return L"Unknown System Version";
    case version_verdict::accepted: break;
    }
    return L"";
}

bool check_windows_version()
{
    const bool sse2 = ::IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != FALSE;
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    const bool known = sse2 && ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version));
    const version_verdict verdict = judge_windows_version(
        sse2, known, version.dwMajorVersion, version.dwMinorVersion, version.wServicePackMajor);
    if (verdict != version_verdict::accepted) {
        ::MessageBoxW(nullptr, version_verdict_text(verdict), nullptr, MB_ICONERROR);
        ::ExitProcess(1);
    }
    return true;
}

bool text_conversion_works(const wchar_t* runtime_locale, UINT code_page)
{
    if (!runtime_locale || !*runtime_locale)
        return false;
    const char text[] = "Setup 7.05";
    wchar_t wide[sizeof text] = {};
    char back[sizeof text] = {};
    const int length = ::MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, text, -1, wide, sizeof text);
    return length == static_cast<int>(sizeof text)
           && ::WideCharToMultiByte(code_page, 0, wide, -1, back, sizeof back, nullptr, nullptr) == length
           && std::strcmp(back, text) == 0;
}

bool check_locale_initialization()
{
    // What the installer converts text with: the C runtime's locale and the ANSI code page.
    if (!text_conversion_works(::_wsetlocale(LC_ALL, nullptr), CP_ACP)) {
        ::MessageBoxW(nullptr, L"Initialization Error", nullptr, MB_ICONERROR | MB_SYSTEMMODAL | MB_SETFOREGROUND);
        std::exit(-11);
    }
    return true;
}

// Static initialisation order: the DLL search restricted and this check first (only the
// runtime's own initialisers come earlier, so nothing is loaded by name before), then the
// running-instance registration (102), the framework's initialisers (103), the locale check
// (104), and the application object last.
bool windows_version_ok = false;

namespace {

struct version_check {
    version_check()
    {
        restrict_dll_search();
        windows_version_ok = check_windows_version();
    }
};
struct locale_check {
    locale_check() { check_locale_initialization(); }
};
const version_check check_version_first __attribute__((init_priority(101), used));
const locale_check check_locale_later __attribute__((init_priority(104), used));

} // namespace

} // namespace tal
