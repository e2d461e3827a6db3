#include "shell_link.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

namespace test {

std::pair<std::wstring, std::wstring> read_link(const std::wstring& link)
{
    ::CoInitialize(nullptr);
    std::pair<std::wstring, std::wstring> result;
    IShellLinkW* shell_link = nullptr;
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                     reinterpret_cast<void**>(&shell_link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(shell_link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (SUCCEEDED(file->Load(link.c_str(), STGM_READ))) {
                wchar_t target[MAX_PATH] = {}, folder[MAX_PATH] = {};
                shell_link->GetPath(target, MAX_PATH, nullptr, 0);
                shell_link->GetWorkingDirectory(folder, MAX_PATH);
                result = {target, folder};
            }
            file->Release();
        }
        shell_link->Release();
    }
    ::CoUninitialize();
    return result;
}

} // namespace test
