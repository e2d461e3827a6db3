#include "install/directx_setup.h"

#include "support/message_pump.h"
#include "support/path.h"
#include "support/private_library.h"

namespace {

using get_version = BOOL(WINAPI*)(DWORD*, DWORD*);
using set_callback = int(WINAPI*)(DWORD(WINAPI*)(DWORD, DWORD, LPSTR, LPSTR, void*));
using setup = int(WINAPI*)(HWND, LPWSTR, DWORD);

constexpr DWORD setup_directx = 0x10018;
constexpr DWORD reason_progress = 18;

template <class F>
F entry(HMODULE module, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

} // namespace

DWORD WINAPI DirectXSetupCallback(DWORD reason, DWORD, LPSTR, LPSTR, void*)
{
    if (reason == reason_progress)
        tal::PumpMessages();
    return IDOK;
}

DirectXSetup::DirectXSetup(std::wstring folder) : m_folder(std::move(folder))
{
    const std::wstring path = tal::append_path(m_folder, L"DSetup.dll");
    if (m_folder.empty() || !tal::fits_max_path(path))
        return;
    // The library is the run's own: neither it nor its companion DLL may come from the
    // installer's folder or the system's search path.
    tal::unique_hmodule module(tal::load_private_library(path));
    if (!module)
        return;
    const auto version_of = entry<get_version>(module.get(), "DirectXSetupGetVersion");
    DWORD version = 0, revision = 0;
    if (version_of && version_of(&version, &revision) && version >= minimum_version && revision >= minimum_revision)
        m_module = std::move(module);
}

bool DirectXSetup::Run(HWND parent)
{
    const auto callback = entry<set_callback>(m_module.get(), "DirectXSetupSetCallback");
    const auto run = entry<setup>(m_module.get(), "DirectXSetupW");
    if (!callback || !run)
        return false;
    callback(DirectXSetupCallback);
    const int result = run(parent, m_folder.data(), setup_directx);
    return result == 0 || result == 1;
}
