#pragma once
// Paths as strings, never cut: the shell's path helpers without their MAX_PATH buffers.
#include <string>

namespace tal {

// The longest path, terminator included, that the Win32 calls without the "\\?\" prefix take.
inline constexpr std::size_t max_path = 260;

// True when `path` and its terminator fit those calls.
inline bool fits_max_path(const std::wstring& path) noexcept
{
    return path.size() < max_path;
}

// `path` in double quotes when it holds a blank and is not quoted already.
std::wstring quote_spaces(const std::wstring& path);

// The folder part of `path`: everything before its last element, keeping a root ("C:\",
// "\\server\share") whole. A path of one element has an empty folder part.
std::wstring remove_file_spec(const std::wstring& path);

// `more` below `folder`, with exactly one backslash between them.
std::wstring append_path(const std::wstring& folder, const std::wstring& more);

// True for a full path that names a folder below a root: a drive root ("C:\") or a UNC share
// ("\\server\share\"), then at least one folder.
bool is_full_folder_path(const std::wstring& path);

// The root of `path`: "C:\", "C:", "\\server\share\" or "\"; empty for a relative path.
std::wstring path_root(const std::wstring& path);

// `more` itself when it has a root, else `more` below `folder`.
std::wstring combine_path(const std::wstring& folder, const std::wstring& more);

} // namespace tal
