#include "removal_scope.h"

#include <windows.h>
#include <shlobj.h>

#include <cwchar>

namespace uninstaller {
namespace {

// The product's folders below <CommonData> and <UserData>.
constexpr const wchar_t* data_folders[] = {L"Marrowin\\Vantrel", L"Marrowin\\Textures\\Vantrel"};
constexpr const wchar_t* product_name = L"Vantrel ";

std::wstring below(const std::wstring& folder, const std::wstring& name)
{
    return folder + L"\\" + name;
}

std::wstring shell_folder(int csidl)
{
    // The shell writes at most MAX_PATH characters here.
    wchar_t path[MAX_PATH + 1] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return {};
    return path;
}

bool is_below(const std::wstring& path, const std::wstring& folder, const state::same_name_test& same)
{
    if (folder.empty())
        return false;
    // With the folder as its own anchor, only what lies strictly below it has elements to check.
    const state::scope_decision decision = state::decide_scope(path, {{folder, folder, L""}}, same);
    return decision.verdict == state::scope_verdict::inside && !decision.checked.empty();
}

} // namespace

std::vector<state::scope_root> product_roots(const std::wstring& install_folder, const system_folders& system,
                                             const logged_folders& logged,
                                             const std::function<void(const std::wstring&)>& report,
                                             const state::same_name_test& same)
{
    std::vector<state::scope_root> roots;
    // The installed folders, from the drive down, were created for the product.
    const std::wstring drive = install_folder.size() >= 3 && install_folder[1] == L':' ? install_folder.substr(0, 3) : L"";
    roots.push_back({install_folder, install_folder, drive});
    if (!logged.install_folder.empty()
        && state::decide_scope(logged.install_folder, {{install_folder, install_folder, L""}}, same).verdict
               != state::scope_verdict::inside)
        report(L"Left alone, the log names another installation folder: " + logged.install_folder);
    for (const std::wstring* base : {&system.common_data, &system.user_data}) {
        if (base->empty())
            continue;
        for (const wchar_t* folder : data_folders)
            roots.push_back({below(*base, folder), *base, *base});
    }
    if (!logged.shortcut_folder.empty()) {
        bool placed = false;
        for (const std::wstring* programs : {&system.common_programs, &system.user_programs}) {
            if (!placed && is_below(logged.shortcut_folder, *programs, same)) {
                roots.push_back({logged.shortcut_folder, *programs, *programs});
                placed = true;
            }
        }
        if (!placed)
            report(L"Left alone, the Start-menu folder is not below a Programs folder: " + logged.shortcut_folder);
    }
    if (logged.title.compare(0, std::wcslen(product_name), product_name) == 0) {
        for (const std::wstring* desktop : {&system.common_desktop, &system.user_desktop}) {
            if (!desktop->empty())
                roots.push_back({below(*desktop, logged.title + L".lnk"), *desktop, L"", true});
        }
    }
    return roots;
}

removal_verdict check_removal(const std::wstring& path, bool folder_entry, const std::vector<state::scope_root>& roots,
                              const state::same_name_test& same, const std::function<bool(const std::wstring&)>& is_link)
{
    const state::scope_decision decision = state::decide_scope(path, roots, same);
    switch (decision.verdict) {
    case state::scope_verdict::not_plain: return removal_verdict::not_plain;
    case state::scope_verdict::outside: return removal_verdict::outside;
    case state::scope_verdict::ancestor:
        if (!folder_entry)
            return removal_verdict::outside;
        break;
    case state::scope_verdict::inside: break;
    }
    for (const std::wstring& element : decision.checked) {
        if (is_link(element))
            return removal_verdict::through_link;
    }
    return removal_verdict::allowed;
}

bool same_name(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    std::wstring upper_a(a), upper_b(b);
    // The simple case mapping of each character, as the file system compares names.
    ::CharUpperBuffW(upper_a.data(), static_cast<DWORD>(upper_a.size()));
    ::CharUpperBuffW(upper_b.data(), static_cast<DWORD>(upper_b.size()));
    return upper_a == upper_b;
}

bool same_folder(const std::wstring& a, const std::wstring& b)
{
    const state::scope_decision decision = state::decide_scope(a, {{b, b, L""}}, same_name);
    return decision.verdict == state::scope_verdict::inside && decision.checked.empty();
}

bool is_above(const std::wstring& parent, const std::wstring& folder)
{
    return is_below(folder, parent, same_name);
}

bool is_link(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

system_folders current_system_folders()
{
    system_folders folders;
    folders.common_data = shell_folder(CSIDL_COMMON_APPDATA);
    folders.user_data = shell_folder(CSIDL_APPDATA);
    folders.common_programs = shell_folder(CSIDL_COMMON_PROGRAMS);
    folders.user_programs = shell_folder(CSIDL_PROGRAMS);
    folders.common_desktop = shell_folder(CSIDL_COMMON_DESKTOPDIRECTORY);
    folders.user_desktop = shell_folder(CSIDL_DESKTOPDIRECTORY);
    return folders;
}

} // namespace uninstaller
