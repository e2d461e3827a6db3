#pragma once
#include <optional>
#include <string>
#include <vector>

namespace payload {

// The three folders that come from the user's choices and the run.
struct destination_roots {
    std::wstring install_path;
    std::wstring sample_path;    // relative: a folder name below the desktop
    std::wstring temporary_path; // empty: files for the temporary folder go to install_path
};

// Path elements, split on "\" and "/" alike; a drive ("C:") is an element of its own; empty
// elements are dropped.
std::vector<std::wstring> split_path(const std::wstring& path);

// The last element of a path: the file name of a source path.
std::wstring last_element(const std::wstring& path);

// `base` followed by `element` as a sub-folder.
std::wstring join_path(const std::wstring& base, const std::wstring& element);

// The folder of a CSIDL value, else of the fallback's; raises unexpected_error when neither exists.
std::wstring special_folder(int csidl, std::optional<int> fallback = std::nullopt);

// True for a token that names a folder ("<InstallPath>", "<CommonData>", ...).
bool is_destination_token(const std::wstring& element);

// The real folder that a stored destination folder stands for. Creates nothing. `root`, when
// given, receives the folder that its token stands for (empty without a known token).
std::wstring resolve_destination(const std::wstring& folder, const destination_roots& roots,
                                 std::wstring* root = nullptr);

} // namespace payload
