#include "installation_fixture.h"

#include <shlwapi.h>

#include <algorithm>

#include "helper_process.h"
#include "holders/handles.h"

namespace test {

const std::wstring product_key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel 7";

std::wstring shell_folder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, csidl, nullptr, 0, path);
    return path;
}

std::wstring registry_text(const wchar_t* name)
{
    wchar_t text[512] = {};
    DWORD size = sizeof text;
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, product_key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size)
        != ERROR_SUCCESS)
        return L"<none>";
    return text;
}

DWORD registry_number(const wchar_t* name)
{
    DWORD value = 0xFFFFFFFF, size = sizeof value;
    ::RegGetValueW(HKEY_LOCAL_MACHINE, product_key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

installed_product::installed_product(const wchar_t* module)
{
    const std::wstring program = folder_.path() + L"\\Vantrel.exe";
    ::CopyFileW((test_folder() + module).c_str(), program.c_str(), FALSE);
    HKEY raw = nullptr;
    ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, product_key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr);
    const tal::unique_hkey key(raw);
    const std::wstring icon = program + L",0";
    ::RegSetValueExW(key.get(), L"DisplayIcon", 0, REG_SZ, reinterpret_cast<const BYTE*>(icon.c_str()),
                     static_cast<DWORD>((icon.size() + 1) * sizeof(wchar_t)));
}

installed_product::~installed_product()
{
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, product_key.c_str());
}

bool wait_run_end(const wizard& w)
{
    for (int i = 0; i < 200 && !item_enabled(w.frame(), IDCANCEL); ++i)
        ::Sleep(100);
    return item_enabled(w.frame(), IDCANCEL);
}

std::wstring install_quickly(wizard& w)
{
    w.next();
    w.next();
    if (!w.wait_page(PAGE_INSTALL))
        return L"<no installation page>";
    w.next();
    wait_run_end(w);
    return item_text(w.page(), IDC_LOG);
}

void Installation::TearDown()
{
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, product_key.c_str());
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, product_key.c_str());
    remove_tree(shell_folder(CSIDL_PROGRAM_FILES) + L"\\Marrowin");
    remove_tree(install_folder);
    remove_tree(shell_folder(CSIDL_COMMON_PROGRAMS) + L"\\Marrowin");
    remove_tree(shell_folder(CSIDL_COMMON_APPDATA) + L"\\Marrowin");
    remove_tree(shell_folder(CSIDL_APPDATA) + L"\\Marrowin");
    const std::wstring desktop_link = shell_folder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Vantrel 7.05a.lnk";
    ::DeleteFileW(desktop_link.c_str());
    ::SHDeleteKeyW(HKEY_CLASSES_ROOT, L".vantrel");
    ::SHDeleteKeyW(HKEY_CLASSES_ROOT, L"Vantrel.Document");
}

std::map<std::wstring, std::pair<DWORD, std::string>> product_key_values()
{
    std::map<std::wstring, std::pair<DWORD, std::string>> values;
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, product_key.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS)
        return values;
    const tal::unique_hkey key(raw);
    for (DWORD index = 0;; ++index) {
        wchar_t name[256] = {};
        DWORD name_size = 256, type = 0, size = 4096;
        std::string data(size, '\0');
        if (::RegEnumValueW(key.get(), index, name, &name_size, nullptr, &type,
                            reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
            break;
        data.resize(size);
        values[name] = {type, data};
    }
    return values;
}

void wait_until_gone(const std::vector<std::wstring>& paths)
{
    const auto any_left = [&paths] {
        return std::any_of(paths.begin(), paths.end(),
                           [](const std::wstring& path) { return ::PathFileExistsW(path.c_str()) != FALSE; });
    };
    for (int i = 0; i < 200 && any_left(); ++i)
        ::Sleep(100);
}

} // namespace test
