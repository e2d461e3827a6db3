#include "support/path.h"

namespace tal {
namespace {

bool is_separator(wchar_t c) noexcept
{
    return c == L'\\' || c == L'/';
}

// Length of the root of `path`: "C:\" (3), "C:" (2), "\\server\share\" or "\" (1); 0 if none.
std::size_t root_length(const std::wstring& path) noexcept
{
    if (path.size() >= 2 && path[1] == L':')
        return path.size() >= 3 && is_separator(path[2]) ? 3 : 2;
    if (path.size() >= 2 && is_separator(path[0]) && is_separator(path[1])) {
        std::size_t end = path.find_first_of(L"\\/", 2);
        if (end == std::wstring::npos)
            return path.size();
        end = path.find_first_of(L"\\/", end + 1);
        return end == std::wstring::npos ? path.size() : end + 1;
    }
    return !path.empty() && is_separator(path[0]) ? 1 : 0;
}

} // namespace

std::wstring quote_spaces(const std::wstring& path)
{
    if (path.find(L' ') == std::wstring::npos || (path.size() >= 2 && path.front() == L'"' && path.back() == L'"'))
        return path;
    return L"\"" + path + L"\"";
}

std::wstring remove_file_spec(const std::wstring& path)
{
    const std::size_t root = root_length(path);
    std::size_t end = path.size();
    while (end > root && is_separator(path[end - 1]))
        --end;
    while (end > root && !is_separator(path[end - 1]))
        --end;
    while (end > root && is_separator(path[end - 1]))
        --end;
    return path.substr(0, end);
}

std::wstring append_path(const std::wstring& folder, const std::wstring& more)
{
    if (folder.empty())
        return more;
    std::size_t start = 0;
    while (start < more.size() && is_separator(more[start]))
        ++start;
    if (start == more.size())
        return folder; // nothing to append
    std::wstring result = folder;
    if (!is_separator(result.back()))
        result += L'\\';
    result.append(more, start, std::wstring::npos);
    return result;
}

bool is_full_folder_path(const std::wstring& path)
{
    std::size_t root = 0;
    if (path.size() >= 3 && path[1] == L':' && is_separator(path[2]) &&
        ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'))) {
        root = 3;
    } else if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
        const std::size_t server_end = path.find(L'\\', 2);
        if (server_end == std::wstring::npos || server_end == 2)
            return false;
        const std::size_t share_end = path.find(L'\\', server_end + 1);
        if (share_end == std::wstring::npos || share_end == server_end + 1)
            return false;
        root = share_end + 1;
    } else {
        return false;
    }
    // At least one folder name below the root, and no empty element in between.
    const std::wstring rest = path.substr(root);
    if (rest.empty() || is_separator(rest.front()))
        return false;
    return rest.find(L"\\\\") == std::wstring::npos && rest.find_first_not_of(L"\\/ .") != std::wstring::npos;
}

std::wstring path_root(const std::wstring& path)
{
    return path.substr(0, root_length(path));
}

std::wstring combine_path(const std::wstring& folder, const std::wstring& more)
{
    return root_length(more) ? more : append_path(folder, more);
}

} // namespace tal
