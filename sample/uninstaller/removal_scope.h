#pragma once
// What the uninstaller may remove, whatever its log says: the folders this product installs
// into, as the system names them, and each path checked against them and for links.
#include <functional>
#include <string>
#include <vector>

#include "state/uninstall_scope.h"

namespace uninstaller {

// The product's own Uninstall key, the only key the uninstaller deletes.
inline constexpr const wchar_t* product_key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel 7";
inline constexpr const wchar_t* product_key_text =
    L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel 7";

// The system's folders that the product's folders lie in; empty where the system has none.
struct system_folders {
    std::wstring common_data, user_data;         // <CommonData>, <UserData>
    std::wstring common_programs, user_programs; // Start-menu "Programs" folders
    std::wstring common_desktop, user_desktop;
};

// What the log's header says.
struct logged_folders {
    std::wstring install_folder;
    std::wstring shortcut_folder;
    std::wstring title; // the product name with its version: the desktop link's name
};

// The product's folders. `install_folder` is where the uninstaller and its log are: the
// header's own line is only compared with it. A header folder that cannot be one of the
// product's is left out and told through `report`.
std::vector<state::scope_root> product_roots(const std::wstring& install_folder, const system_folders& system,
                                             const logged_folders& logged,
                                             const std::function<void(const std::wstring&)>& report,
                                             const state::same_name_test& same);

enum class removal_verdict { allowed, outside, not_plain, through_link };

// Whether a log entry's path may be removed: below a root (a folder entry may also be one of
// the folders on the way to a root) and reached through no link below the root's anchor.
removal_verdict check_removal(const std::wstring& path, bool folder_entry, const std::vector<state::scope_root>& roots,
                              const state::same_name_test& same, const std::function<bool(const std::wstring&)>& is_link);

// The file system's own tests: names equal without regard to case, a reparse point.
bool same_name(std::wstring_view a, std::wstring_view b);
// Two plain full paths of the same folder, element by element, by same_name.
bool same_folder(const std::wstring& a, const std::wstring& b);
// `folder` lies strictly below `parent`.
bool is_above(const std::wstring& parent, const std::wstring& folder);
bool is_link(const std::wstring& path);
system_folders current_system_folders();

} // namespace uninstaller
