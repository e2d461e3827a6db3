#include <windows.h>
#include <shlwapi.h>
#include <sys/stat.h>

#include <cerrno>

#include <optional>
#include <vector>

#include "holders/handles.h"
#include "state/journal.h"

namespace {

bool is_separator(wchar_t c)
{
    return c == L'/' || c == L'\\';
}

// The elements of a path as the standard library's path iterates them on Windows: a disk
// designator, the root separator as written, the names between runs of separators, and an
// empty name after a trailing separator.
std::vector<std::wstring> elements(const std::wstring& path)
{
    std::vector<std::wstring> result;
    std::size_t at = 0;
    if (path.size() >= 2 && path[1] == L':') {
        result.push_back(path.substr(0, 2));
        at = 2;
    }
    if (at < path.size() && is_separator(path[at])) {
        result.push_back(path.substr(at, 1));
        while (at < path.size() && is_separator(path[at]))
            ++at;
    }
    while (at < path.size()) {
        const std::size_t end = path.find_first_of(L"/\\", at);
        result.push_back(path.substr(at, end - at));
        if (end == std::wstring::npos)
            break;
        at = path.find_first_not_of(L"/\\", end);
        if (at == std::wstring::npos)
            result.emplace_back();
    }
    return result;
}

bool is_absolute(const std::wstring& path)
{
    return path.size() >= 3 && path[1] == L':' && is_separator(path[2]);
}

// An absolute path as it is; any other completed against the current folder. Empty when it
// cannot be completed.
std::wstring absolute(const std::wstring& path)
{
    if (path.empty() || is_absolute(path))
        return path;
    // GetFullPathNameW reads "//x" as a server name: of several leading separators, one.
    const std::size_t first = path.find_first_not_of(L"/\\");
    const wchar_t* const start = path.c_str() + (first == 0 ? 0 : std::min(first, path.size()) - 1);
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFullPathNameW(start, static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0)
            return {};
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.resize(length);
    }
}

// Whether a path exists as the runtime's stat sees it, which the comparison has always used:
// it finds no folder named with a trailing separator, nor a bare drive.
struct presence {
    bool exists = false;
    bool missing = false;
    struct _stat64 status {};
};

presence presence_of(const std::wstring& path)
{
    presence p;
    if (::_wstat64(path.c_str(), &p.status) == 0)
        p.exists = true;
    else
        p.missing = errno == ENOENT || errno == ENOTDIR;
    return p;
}

// An existing file or folder opened for its identity alone: no access asked, full sharing,
// and backup semantics, without which a folder does not open.
tal::unique_hfile open_for_identity(const std::wstring& path)
{
    return tal::unique_hfile(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// Whether two paths name one file (by volume serial and file index), when that can be told:
// two existing files, or one that exists and one that does not.
std::optional<bool> same_file(const std::wstring& a, const std::wstring& b)
{
    const presence first = presence_of(a), second = presence_of(b);
    if (!first.exists || !second.exists) {
        if ((first.exists && second.missing) || (first.missing && second.exists))
            return false;
        return std::nullopt;
    }
    // A file and a folder, or names on different drives (the drive as the path gives it).
    if (first.status.st_mode != second.status.st_mode || first.status.st_dev != second.status.st_dev)
        return false;
    // One file has one size and one time of its last change: two that differ are two files,
    // told without the two opens and the queries that cost milliseconds under Wine.
    if (first.status.st_size != second.status.st_size || first.status.st_mtime != second.status.st_mtime)
        return false;
    const tal::unique_hfile x = open_for_identity(a), y = open_for_identity(b);
    if (!x && !y)
        return std::nullopt;
    if (!x || !y)
        return false;
    BY_HANDLE_FILE_INFORMATION one{}, two{};
    if (!::GetFileInformationByHandle(x.get(), &one) || !::GetFileInformationByHandle(y.get(), &two))
        return std::nullopt;
    return one.dwVolumeSerialNumber == two.dwVolumeSerialNumber && one.nFileIndexHigh == two.nFileIndexHigh
           && one.nFileIndexLow == two.nFileIndexLow;
}

} // namespace

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    if (elements(a) == elements(b))
        return true;
    if (const std::optional<bool> same = same_file(a, b))
        return *same;
    const std::vector<std::wstring> x = elements(absolute(a));
    const std::vector<std::wstring> y = elements(absolute(b));
    if (x.size() != y.size())
        return false;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (x[i].size() != y[i].size()
            || !::StrIsIntlEqualW(FALSE, x[i].c_str(), y[i].c_str(), static_cast<int>(x[i].size())))
            return false;
    }
    return true;
}
