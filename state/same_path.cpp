#include <shlwapi.h>

#include <filesystem>
#include <vector>

#include "state/journal.h"

namespace {

std::vector<std::wstring> elements(const std::filesystem::path& path)
{
    std::vector<std::wstring> result;
    for (const auto& element : path)
        result.push_back(element.wstring());
    return result;
}

} // namespace

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    namespace fs = std::filesystem;
    const fs::path first(a), second(b);
    if (elements(first) == elements(second))
        return true;
    std::error_code error;
    const bool same_file = fs::equivalent(first, second, error);
    if (!error)
        return same_file;
    const std::vector<std::wstring> x = elements(fs::absolute(first, error));
    const std::vector<std::wstring> y = elements(fs::absolute(second, error));
    if (x.size() != y.size())
        return false;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (x[i].size() != y[i].size()
            || !::StrIsIntlEqualW(FALSE, x[i].c_str(), y[i].c_str(), static_cast<int>(x[i].size())))
            return false;
    }
    return true;
}
