#include "payload/destination.h"

#include <iterator>

#include "payload/compress_error.h"
#include "payload/platform.h"

namespace payload {
namespace {

// CSIDL values of the special folders.
constexpr int csidl_personal = 0x05;
constexpr int csidl_desktopdirectory = 0x10;
constexpr int csidl_appdata = 0x1A;
constexpr int csidl_common_desktopdirectory = 0x19;
constexpr int csidl_common_appdata = 0x23;
constexpr int csidl_windows = 0x24;
constexpr int csidl_system = 0x25;
constexpr int csidl_program_files = 0x26;
constexpr int csidl_program_files_common = 0x2B;
constexpr int csidl_common_documents = 0x2E;

bool is_absolute(const std::wstring& path)
{
    // A root name (a drive or a network share) with a root separator right after it.
    const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (path.size() >= 3 && path[1] == L':' && separator(path[2]))
        return true;
    if (path.size() >= 2 && separator(path[0]) && separator(path[1])) {
        const std::size_t share = path.find_first_of(L"\\/", 2);
        return share != std::wstring::npos && path.find_first_of(L"\\/", share + 1) != std::wstring::npos;
    }
#ifndef _WIN32
    return !path.empty() && path[0] == L'/';
#else
    return false;
#endif
}

std::wstring sample_base(const destination_roots& roots)
{
    if (roots.sample_path.empty())
        return special_folder(csidl_common_desktopdirectory, csidl_desktopdirectory);
    if (is_absolute(roots.sample_path))
        return roots.sample_path;
    return join_path(special_folder(csidl_common_desktopdirectory, csidl_desktopdirectory), roots.sample_path);
}

// The tokens that stand for system folders, in the order they are compared, with the
// folder's CSIDL value and its fallback (0: none).
struct folder_token {
    const wchar_t* token;
    int csidl;
    int fallback;
};

constexpr folder_token folder_tokens[] = {
    {L"<ProgramFiles>", csidl_program_files, 0},
    {L"<ProgramCommon>", csidl_program_files_common, 0},
    {L"<CommonData>", csidl_common_appdata, csidl_appdata},
    {L"<UserData>", csidl_appdata, 0},
    {L"<CommonDocuments>", csidl_common_documents, csidl_personal},
    {L"<Documents>", csidl_personal, 0},
    {L"<CommonDesktop>", csidl_common_desktopdirectory, csidl_desktopdirectory},
    {L"<Desktop>", csidl_desktopdirectory, 0},
    {L"<WinDir>", csidl_windows, 0},
    {L"<System>", csidl_system, 0},
};

std::wstring token_base(const std::wstring& token, const destination_roots& roots)
{
    if (token == L"<InstallPath>")
        return roots.install_path;
    if (token == L"<SamplePath>")
        return sample_base(roots);
    for (const folder_token& t : folder_tokens) {
        if (token == t.token)
            return t.fallback ? special_folder(t.csidl, t.fallback) : special_folder(t.csidl);
    }
    if (token == L"<Temporary>")
        return roots.temporary_path.empty() ? roots.install_path : roots.temporary_path;
    return {}; // an unknown token simply disappears
}

} // namespace

std::vector<std::wstring> split_path(const std::wstring& path)
{
    std::vector<std::wstring> elements;
    std::size_t begin = 0;
    // A drive is an element of its own, also when no separator follows ("C:file.txt").
    const bool drive_letter = path.size() >= 2 && path[1] == L':'
                              && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
    if (drive_letter) {
        elements.push_back(path.substr(0, 2));
        begin = 2;
    }
    while (begin <= path.size()) {
        std::size_t end = path.find_first_of(L"\\/", begin);
        if (end == std::wstring::npos)
            end = path.size();
        if (end > begin)
            elements.push_back(path.substr(begin, end - begin));
        begin = end + 1;
    }
    return elements;
}

std::wstring last_element(const std::wstring& path)
{
    std::vector<std::wstring> elements = split_path(path);
    return elements.empty() ? std::wstring() : std::move(elements.back());
}

std::wstring join_path(const std::wstring& base, const std::wstring& element)
{
    if (base.empty())
        return element;
    if (element.empty())
        return base;
    const wchar_t last = base.back();
    if (last == L'\\' || last == L'/')
        return base + element;
    return base + platform::path_separator + element;
}

std::wstring special_folder(int csidl, std::optional<int> fallback)
{
    std::wstring folder = platform::query_special_folder(csidl);
    if (folder.empty() && fallback)
        folder = platform::query_special_folder(*fallback);
    if (folder.empty())
        raise(compress_errc::unexpected_error);
    return folder;
}

bool is_destination_token(const std::wstring& element)
{
    if (element == L"<InstallPath>" || element == L"<SamplePath>" || element == L"<Temporary>")
        return true;
    for (const folder_token& t : folder_tokens) {
        if (element == t.token)
            return true;
    }
    return false;
}

std::wstring resolve_destination(const std::wstring& folder, const destination_roots& roots, std::wstring* root)
{
    if (root)
        root->clear();
    const std::vector<std::wstring> elements = split_path(folder);
    if (elements.empty())
        return folder;
    const std::wstring& first = elements.front();
    if (first.front() != L'<' || first.back() != L'>')
        return folder;
    std::wstring result = token_base(first, roots);
    if (root)
        *root = result;
    for (auto element = std::next(elements.begin()); element != elements.end(); ++element)
        result = join_path(result, *element);
    return result;
}

} // namespace payload
