#include "app/command_line.h"

#include <algorithm>
#include <string_view>

namespace {

struct language_code {
    const wchar_t* code;
    int index;
};

// The start page's languages, in its order.
constexpr language_code language_codes[] = {{L"fr", 0}, {L"en", 1}, {L"de", 2},  {L"es", 3},
                                            {L"pt", 4}, {L"nl", 5}, {L"el", 14}, {L"tr", 7}};

bool is_blank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

// Switches are ASCII: compared without the user's locale, whose case rules may differ.
wchar_t ascii_upper(wchar_t c)
{
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool same_text(const std::wstring& a, std::wstring_view b)
{
    return a.size() == b.size()
           && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return ascii_upper(x) == ascii_upper(y); });
}

// True when `token` starts with `name` (such as "/LOG="), with the rest in `value`.
bool has_prefix(const std::wstring& token, std::wstring_view name, std::wstring& value)
{
    if (token.size() < name.size() || !same_text(token.substr(0, name.size()), name))
        return false;
    value = token.substr(name.size());
    return true;
}

// One switch up to the next blank outside double quotes; the quotes themselves are dropped.
std::wstring next_token(const std::wstring& line, std::size_t& at)
{
    std::wstring token;
    bool quoted = false;
    for (; at < line.size() && (quoted || !is_blank(line[at])); ++at) {
        if (line[at] == L'"')
            quoted = !quoted;
        else
            token += line[at];
    }
    return token;
}

// The folder of /D=: the rest of the line, without trailing blanks. Quotes around the whole
// folder are forgiven, as people type them out of habit.
std::wstring rest_as_folder(const std::wstring& line, std::size_t from)
{
    std::wstring folder = line.substr(from);
    while (!folder.empty() && is_blank(folder.back()))
        folder.pop_back();
    if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"')
        folder = folder.substr(1, folder.size() - 2);
    return folder;
}

} // namespace

const wchar_t* const installer_switches = L"/S /NOSHORTCUTS /NODESKTOP /LANG=xx /LOG=FILE /D=FOLDER";

std::optional<int> LanguageOfCode(const std::wstring& code)
{
    for (const language_code& known : language_codes) {
        if (same_text(code, known.code))
            return known.index;
    }
    return std::nullopt;
}

InstallerOptions ParseInstallerCommandLine(const std::wstring& line)
{
    InstallerOptions options;
    std::size_t at = 0;
    while (options.badSwitch.empty()) {
        while (at < line.size() && is_blank(line[at]))
            ++at;
        if (at == line.size())
            break;
        std::wstring value;
        // The folder may hold blanks, so /D= takes the rest of the line.
        if (has_prefix(line.substr(at, 3), L"/D=", value)) {
            options.installFolder = rest_as_folder(line, at + 3);
            if (options.installFolder.empty())
                options.badSwitch = line.substr(at);
            break;
        }
        const std::wstring token = next_token(line, at);
        if (same_text(token, L"/S")) {
            options.silent = true;
        } else if (same_text(token, L"/NOSHORTCUTS")) {
            options.noShortcuts = true;
        } else if (same_text(token, L"/NODESKTOP")) {
            options.noDesktop = true;
        } else if (has_prefix(token, L"/LANG=", value) && LanguageOfCode(value)) {
            options.language = LanguageOfCode(value);
        } else if (has_prefix(token, L"/LOG=", value) && !value.empty()) {
            options.logFile = value;
        } else if (has_prefix(token, L"/D=", value) && !value.empty()) {
            options.installFolder = value; // the whole switch was quoted
        } else {
            options.badSwitch = token;
        }
    }
    return options;
}
