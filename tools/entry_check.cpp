#include "tools/entry_check.h"

#include <cwctype>
#include <vector>

#include "payload/destination.h"

namespace tools {
namespace {

std::wstring upper(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

// Windows opens the device, not a file, for these names whatever extension follows.
bool is_device_name(const std::wstring& element)
{
    std::wstring base = upper(element.substr(0, element.find(L'.')));
    while (!base.empty() && base.back() == L' ')
        base.pop_back();
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
        if (base == device)
            return true;
    }
    if (base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0)) {
        const wchar_t digit = base[3];
        // The superscript digits count as well.
        return (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
    }
    return false;
}

// Why one path element below a token is no plain name of a file or folder; empty when it is.
std::string element_problem(const std::wstring& element)
{
    if (element == L"." || element == L"..")
        return "\"" + std::string(element.size(), '.') + "\" leads out of its folder";
    if (element.find(L':') != std::wstring::npos)
        return "a \":\" names a drive or a stream";
    for (const wchar_t c : element) {
        if (c < 0x20 || std::wstring(L"<>\"|?*").find(c) != std::wstring::npos)
            return "a name holds a character that Windows refuses";
    }
    if (element.back() == L'.' || element.back() == L' ')
        return "a name ends in a dot or a blank, which Windows drops";
    if (is_device_name(element))
        return "a name is a device";
    return {};
}

} // namespace

std::string escape_reason(const payload::archive_entry& entry)
{
    const std::vector<std::wstring> folder = payload::split_path(entry.destination);
    if (folder.empty() || !payload::is_destination_token(folder.front()))
        return "the destination does not start with a folder token";
    const std::wstring name = payload::last_element(entry.source);
    if (name.empty())
        return "the source has no file name";
    std::vector<std::wstring> below(folder.begin() + 1, folder.end());
    below.push_back(name);
    for (const std::wstring& element : below) {
        std::string problem = element_problem(element);
        if (!problem.empty())
            return problem;
    }
    return {};
}

} // namespace tools
