#include "support/shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cwchar>

#include "holders/handles.h"
#include "support/path.h"

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
    // A link holds its target in a MAX_PATH field: a longer target cannot be linked to.
    if (!fits_max_path(target)) {
        ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    const std::wstring working = remove_file_spec(target);
    if (working == target)
        return false;
    std::wstring link_name;
    if (name) {
        link_name = name;
    } else {
        link_name = ::PathFindFileNameW(target.c_str());
        ::PathRemoveExtensionW(link_name.data());
        link_name.resize(std::wcslen(link_name.c_str()));
    }
    const std::wstring link_path = append_path(folder, link_name) + L".lnk";
    if (!fits_max_path(link_path)) {
        ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }

    const com_initialization com;
    if (!com)
        return false;
    HRESULT result = E_FAIL;
    {
        com_ptr<IShellLinkW> shell_link;
        result = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    reinterpret_cast<void**>(&shell_link.p));
        if (SUCCEEDED(result)) {
            shell_link.p->SetPath(target.c_str());
            shell_link.p->SetWorkingDirectory(working.c_str());
            com_ptr<IPersistFile> file;
            result = shell_link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p));
            if (SUCCEEDED(result))
                result = file.p->Save(link_path.c_str(), TRUE);
        }
    }
    if (FAILED(result))
        return false;
    if (link)
        *link = link_path;
    return true;
}

} // namespace tal
