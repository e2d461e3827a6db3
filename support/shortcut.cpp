#include "support/shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace tal {
namespace {

// Releases a COM interface at the end of its scope.
template <class I>
struct com_ptr {
    I* p = nullptr;
    ~com_ptr()
    {
        if (p)
            p->Release();
    }
};

} // namespace

bool CreateShortcut(const std::wstring& target, const std::wstring& folder, const wchar_t* name, std::wstring* link)
{
    wchar_t working[MAX_PATH] = {};
    if (target.size() >= MAX_PATH)
        return false;
    ::lstrcpynW(working, target.c_str(), MAX_PATH);
    if (!::PathRemoveFileSpecW(working))
        return false;
    std::wstring link_name;
    if (name) {
        link_name = name;
    } else {
        wchar_t file[MAX_PATH] = {};
        ::lstrcpynW(file, ::PathFindFileNameW(target.c_str()), MAX_PATH);
        ::PathRemoveExtensionW(file);
        link_name = file;
    }
    wchar_t path[MAX_PATH] = {};
    if (folder.size() >= MAX_PATH)
        return false;
    ::lstrcpynW(path, folder.c_str(), MAX_PATH);
    if (!::PathAppendW(path, link_name.c_str()))
        return false;
    const std::wstring link_path = std::wstring(path) + L".lnk";

    const HRESULT initialised = ::CoInitialize(nullptr);
    if (initialised != S_OK && initialised != S_FALSE)
        return false;
    HRESULT result = E_FAIL;
    {
        com_ptr<IShellLinkW> shell_link;
        result = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    reinterpret_cast<void**>(&shell_link.p));
        if (SUCCEEDED(result)) {
            shell_link.p->SetPath(target.c_str());
            shell_link.p->SetWorkingDirectory(working);
            com_ptr<IPersistFile> file;
            result = shell_link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p));
            if (SUCCEEDED(result))
                result = file.p->Save(link_path.c_str(), TRUE);
        }
    }
    ::CoUninitialize();
    if (FAILED(result))
        return false;
    if (link)
        *link = link_path;
    return true;
}

} // namespace tal
