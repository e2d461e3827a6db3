#include "support/folder_browser.h"

#include <shlwapi.h>

#include <cwchar>
#include <utility>
#include <vector>

#include "holders/owner_window.h"
#include "support/error_box.h"
#include "support/language.h"
#include "support/message_box.h"
#include "support/path.h"

namespace tal {
namespace {

std::vector<std::wstring> components(std::wstring path)
{
    while (!path.empty() && path.back() == L'\\')
        path.pop_back();
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = path.find(L'\\', start);
        const std::wstring part = path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (!part.empty())
            parts.push_back(part);
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    return parts;
}

std::wstring user_documents()
{
    static const std::wstring documents = [] {
        wchar_t path[MAX_PATH] = {};
        ::SHGetFolderPathW(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path);
        return std::wstring(path);
    }();
    return documents;
}

// The process's current folder, whatever its length; empty when it cannot be had.
std::wstring current_folder()
{
    const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(needed, L'\0');
    const DWORD got = needed ? ::GetCurrentDirectoryW(needed, folder.data()) : 0;
    if (got == 0 || got >= needed)
        return {};
    folder.resize(got);
    return folder;
}

// The file-system path of an item id list; empty when it has none.
std::wstring path_of(LPCITEMIDLIST item)
{
    wchar_t path[MAX_PATH] = {}; // the call's own fixed-size output
    return ::SHGetPathFromIDListW(item, path) ? std::wstring(path) : std::wstring();
}

// Applies a shell function that edits a path in place and only ever shortens it.
template <class Edit>
std::wstring edited(std::wstring path, Edit edit)
{
    edit(path.data());
    path.resize(std::wcslen(path.c_str()));
    return path;
}

BOOL CALLBACK find_edit(HWND window, LPARAM found)
{
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    if (::lstrcmpiW(name, L"Edit") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// The browser's own error box: the system text of `code`, no caption, owned by the browser.
void show_code(HWND owner, DWORD code)
{
    const std::wstring text = system_message_text(code, LANGIDFROMLCID(::GetUserDefaultLCID()));
    UINT style = MB_OK | MB_ICONEXCLAMATION;
    if (owner ? (::GetWindowLongW(owner, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0
              : is_right_to_left(language_from_user_ui(0)))
        style |= MB_RTLREADING;
    ::MessageBoxW(owner, text.c_str(), nullptr, style);
}

} // namespace

int ends_with_components(const std::wstring& path, const std::wstring& relative)
{
    const std::vector<std::wstring> p = components(path), r = components(relative);
    if (r.empty() || p.size() <= r.size())
        return 0;
    for (std::size_t i = 1; i <= r.size(); ++i) {
        if (::lstrcmpiW(p[p.size() - i].c_str(), r[r.size() - i].c_str()) != 0)
            return 0;
    }
    return static_cast<int>(r.size());
}

std::wstring with_subfolder(const std::wstring& path, const std::wstring& subfolder)
{
    // A subfolder of separators alone has nothing to append.
    const std::vector<std::wstring> parts = components(subfolder);
    if (parts.empty() || ends_with_components(path, subfolder))
        return path;
    // How many leading components of the subfolder the path already ends with.
    std::size_t present = 0;
    for (std::size_t keep = parts.size() - 1; keep > 0; --keep) {
        std::wstring shortened;
        for (std::size_t i = 0; i < keep; ++i)
            shortened += (i ? L"\\" : L"") + parts[i];
        if (ends_with_components(path, shortened)) {
            present = keep;
            break;
        }
    }
    std::wstring result = path;
    for (std::size_t i = present; i < parts.size(); ++i)
        result = append_path(result, parts[i]);
    return result;
}

bool relative_folder(const std::wstring& from, const std::wstring& path, std::wstring& relative)
{
    // The shell's call takes and gives MAX_PATH buffers: a longer folder has no relative form.
    if (!fits_max_path(from) || !fits_max_path(path))
        return false;
    wchar_t result[MAX_PATH] = {};
    if (!::PathRelativePathToW(result, from.c_str(), FILE_ATTRIBUTE_DIRECTORY, path.c_str(), FILE_ATTRIBUTE_DIRECTORY))
        return false;
    if (std::wstring(result) == L".") {
        relative.clear();
        return true;
    }
    wchar_t canonical[MAX_PATH] = {};
    ::PathCanonicalizeW(canonical, result);
    relative = canonical;
    return true;
}

bool allowed_path(const std::wstring& path)
{
    for (const wchar_t c : path) {
        const UINT type = ::PathGetCharTypeW(c);
        if (type == GCT_INVALID || (type & GCT_WILD))
            return false;
    }
    return true;
}

DWORD validate_typed_path(const std::wstring& text, const std::wstring& root_parent, std::wstring& qualified)
{
    if (!fits_max_path(text))
        return static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
    std::wstring typed = edited(text, ::PathRemoveBlanksW);
    typed = edited(typed, ::PathRemoveBackslashW);
    if (typed.size() == 2 && typed[1] == L':')
        typed += L'\\';
    if (typed.empty()) {
        typed = current_folder();
        if (typed.empty())
            return ::GetLastError();
    }

    wchar_t result[MAX_PATH] = {}; // the qualifying call's own fixed-size output
    BOOL ok = FALSE;
    if (!root_parent.empty()) {
        // Relative text is taken relative to the root's parent.
        const std::wstring saved = current_folder();
        if (saved.empty() || !::SetCurrentDirectoryW(root_parent.c_str()))
            return ::GetLastError();
        ok = fits_max_path(typed) && ::PathSearchAndQualifyW(typed.c_str(), result, MAX_PATH);
        if (!::SetCurrentDirectoryW(saved.c_str()))
            return ::GetLastError();
    } else {
        ok = fits_max_path(typed) && ::PathSearchAndQualifyW(typed.c_str(), result, MAX_PATH);
    }
    if (ok && !root_parent.empty()
        && ::PathCommonPrefixW(result, root_parent.c_str(), nullptr) != static_cast<int>(root_parent.size()))
        ok = FALSE;
    if (ok && !allowed_path(result))
        ok = FALSE;
    if (!ok)
        return ERROR_BAD_PATHNAME;
    qualified = result;
    return 0;
}

folder_browser::folder_browser(unique_idlist root) : root_(std::move(root)) {}

folder_browser::~folder_browser() = default;

void folder_browser::set_title(const wchar_t* title)
{
    if (!title)
        title_.clear();
    else if (IS_INTRESOURCE(title))
        title_ = load_string(static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(title)));
    else
        title_ = title;
}

const std::wstring& folder_browser::root_parent()
{
    if (!root_parent_known_ && root_) {
        const std::wstring root = path_of(root_.get());
        if (!root.empty())
            root_parent_ = remove_file_spec(root);
        root_parent_known_ = true;
    }
    return root_parent_;
}

void folder_browser::append_subfolder()
{
    if (subfolder_.empty())
        return;
    path_ = with_subfolder(path_, subfolder_);
    std::wstring relative;
    if (root_ && relative_folder(root_parent(), path_, relative))
        path_ = relative;
}

bool folder_browser::show(const std::wstring& initial, const std::wstring& subfolder)
{
    const HWND owner = active_owner_window();
    if (!com_) {
        com_.emplace();
        if (!*com_) {
            const HRESULT result = com_->result();
            com_.reset();
            show_code(owner, static_cast<DWORD>(result));
            return false;
        }
    }
    dialog_initialised_ = false;
    typed_path_validated_ = false;

    path_ = ::PathIsRelativeW(initial.c_str()) ? std::wstring() : initial;
    if (path_.empty() && root_)
        path_ = path_of(root_.get());
    if (path_.empty())
        path_ = user_documents();
    if (!path_.empty() && path_.back() == L':')
        path_ += L'\\';
    subfolder_ = allowed_path(subfolder) ? subfolder : std::wstring();
    append_subfolder();

    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pidlRoot = root_.get();
    info.lpszTitle = title_.empty() ? nullptr : title_.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS | BIF_NEWDIALOGSTYLE
                   | (subfolder_.empty() ? 0 : BIF_EDITBOX | BIF_VALIDATE);
    info.lpfn = callback;
    info.lParam = reinterpret_cast<LPARAM>(this);
    const unique_idlist chosen(::SHBrowseForFolderW(&info));
    if (!chosen)
        return false;
    const std::wstring selected = path_of(chosen.get());
    if (selected.empty())
        return false;
    if (!typed_path_validated_)
        path_ = selected;
    return true;
}

int CALLBACK folder_browser::callback(HWND window, UINT message, LPARAM lParam, LPARAM data)
{
    return reinterpret_cast<folder_browser*>(data)->on_message(window, message, lParam);
}

int folder_browser::on_message(HWND window, UINT message, LPARAM lParam)
{
    switch (message) {
    case BFFM_INITIALIZED: {
        dialog_initialised_ = true;
        // The deepest existing folder of the path is selected.
        std::wstring candidate = root_ ? combine_path(root_parent(), path_) : path_;
        bool found = false;
        while (!candidate.empty() && !(found = ::PathIsDirectoryW(candidate.c_str()) != FALSE)) {
            const std::wstring parent = remove_file_spec(candidate);
            if (parent == candidate)
                break;
            candidate = parent;
        }
        if (found) {
            ::SendMessageW(window, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(candidate.c_str()));
            ::SendMessageW(window, BFFM_SETEXPANDED, TRUE, reinterpret_cast<LPARAM>(candidate.c_str()));
        }
        edit_ = nullptr;
        if (!subfolder_.empty()) {
            ::EnumChildWindows(window, find_edit, reinterpret_cast<LPARAM>(&edit_));
            if (found && edit_) {
                ::SendMessageW(edit_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path_.c_str()));
                ::SendMessageW(edit_, EM_SETSEL, 0, -1);
            }
        }
        break;
    }
    case BFFM_SELCHANGED: {
        if (!dialog_initialised_)
            break;
        const std::wstring selected = path_of(reinterpret_cast<LPCITEMIDLIST>(lParam));
        const bool has_path = !selected.empty();
        if (has_path) {
            path_ = selected;
            append_subfolder();
        }
        if (edit_) {
            ::SendMessageW(edit_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path_.c_str()));
            ::SendMessageW(edit_, EM_SETSEL, 0, -1);
        }
        if (subfolder_.empty())
            ::SendMessageW(window, BFFM_ENABLEOK, 0, has_path);
        break;
    }
    case BFFM_VALIDATEFAILEDW: {
        std::wstring qualified;
        const DWORD error = validate_typed_path(reinterpret_cast<const wchar_t*>(lParam),
                                                         root_ ? root_parent() : std::wstring(), qualified);
        if (error == 0) {
            path_ = qualified;
            typed_path_validated_ = true;
            return 0; // the dialog may close
        }
        show_code(window, error);
        return 1; // stay open
    }
    default: break;
    }
    return 0;
}

namespace {

std::wstring without_subfolder(const std::wstring& path, const std::wstring& subfolder)
{
    const int k = ends_with_components(path, subfolder);
    if (k == 0)
        return path;
    std::wstring folder = path;
    for (int i = 0; i < k; ++i)
        folder = remove_file_spec(folder);
    return folder;
}

} // namespace

std::wstring browse_for_folder(std::wstring& initial, const std::wstring& subfolder, const wchar_t* title)
{
    folder_browser browser;
    browser.set_title(title);
    if (!browser.show(initial, subfolder))
        return {};
    initial = without_subfolder(browser.path(), browser.subfolder());
    return browser.path();
}

std::wstring browse_for_programs_folder(std::wstring& initial, const std::wstring& subfolder, const wchar_t* title,
                                        std::wstring* relative)
{
    unique_idlist root;
    ::SHGetSpecialFolderLocation(nullptr, CSIDL_COMMON_PROGRAMS, root.put());
    folder_browser browser(std::move(root));
    browser.set_title(title);
    if (!browser.show(initial, subfolder))
        return {};
    initial = without_subfolder(browser.path(), browser.subfolder());
    if (relative && !relative_folder(browser.root_parent(), browser.path(), *relative))
        relative->clear();
    return browser.path();
}

} // namespace tal
