#pragma once
#include <windows.h>

#include <string>

#include "holders/handles.h"

// The DirectX runtime's setup library among the extracted redistributable files.
class DirectXSetup {
public:
    // Loads "DSetup.dll" from `folder` and keeps it when it is at least version 4.09,
    // revision 903; otherwise nothing is kept.
    explicit DirectXSetup(std::wstring folder);

    bool usable() const noexcept { return static_cast<bool>(m_module); }
    // Runs the runtime's setup; true on success, also when a restart is needed.
    bool Run(HWND parent);
    void Release() noexcept { m_module.reset(); }

    static constexpr DWORD minimum_version = 0x40009;
    static constexpr DWORD minimum_revision = 0x387;

private:
    std::wstring m_folder;
    tal::unique_hmodule m_module;
};

// The setup library's callback: keeps the installer's window alive while the runtime installs.
DWORD WINAPI DirectXSetupCallback(DWORD reason, DWORD type, LPSTR message, LPSTR name, void* info);
