#pragma once
// The shell's folder browser, with the product's own subfolder appended to whatever folder the
// user picks, and a typed path validated before the browser closes.
#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <string>

#include "holders/handles.h"

namespace tal {

class folder_browser {
public:
    // `root` limits the tree; empty for the whole namespace.
    explicit folder_browser(unique_idlist root = unique_idlist());
    ~folder_browser();
    folder_browser(const folder_browser&) = delete;
    folder_browser& operator=(const folder_browser&) = delete;

    // `title` is a text or a string id made with MAKEINTRESOURCEW; null for none.
    void set_title(const wchar_t* title);
    // Opens the browser; true when the user confirmed a folder, then path() is the result.
    bool show(const std::wstring& initial, const std::wstring& subfolder);

    const std::wstring& path() const noexcept { return path_; }
    const std::wstring& subfolder() const noexcept { return subfolder_; }
    const std::wstring& root_parent();

private:
    static int CALLBACK callback(HWND window, UINT message, LPARAM lParam, LPARAM data);
    int on_message(HWND window, UINT message, LPARAM lParam);
    void append_subfolder();

    std::wstring path_;
    std::wstring subfolder_;
    std::wstring title_;
    // COM stays initialised from the first show to the browser's end.
    std::optional<com_initialization> com_;
    unique_idlist root_;
    std::wstring root_parent_;
    bool root_parent_known_ = false;
    bool dialog_initialised_ = false;
    bool typed_path_validated_ = false;
    HWND edit_ = nullptr;
};

// A folder anywhere; `initial` receives the chosen folder without the subfolder. Empty when
// cancelled.
std::wstring browse_for_folder(std::wstring& initial, const std::wstring& subfolder, const wchar_t* title);

// A folder below the all-users Programs folder; `relative`, when given, receives the result
// relative to the all-users Start menu folder.
std::wstring browse_for_programs_folder(std::wstring& initial, const std::wstring& subfolder, const wchar_t* title,
                                        std::wstring* relative = nullptr);

// k when the path ends with the k components of `relative` (case-insensitive) and has more
// components than it; 0 otherwise.
int ends_with_components(const std::wstring& path, const std::wstring& relative);
// The path with the part of `subfolder` that it does not already end with appended.
std::wstring with_subfolder(const std::wstring& path, const std::wstring& subfolder);
// `path` relative to the folder `from`, "" for the folder itself; empty optional when none.
bool relative_folder(const std::wstring& from, const std::wstring& path, std::wstring& relative);
// A typed path checked and qualified: 0 with `qualified`, or the error code to show.
DWORD validate_typed_path(const std::wstring& text, const std::wstring& root_parent, std::wstring& qualified);
// Every character allowed in a path.
bool allowed_path(const std::wstring& path);
} // namespace tal
