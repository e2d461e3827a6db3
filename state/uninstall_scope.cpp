#include "state/uninstall_scope.h"

#include <array>

namespace state {
namespace {

wchar_t ascii_upper(wchar_t c)
{
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool same_ascii(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ascii_upper(a[i]) != ascii_upper(b[i]))
            return false;
    }
    return true;
}

// Names that Win32 turns into devices in any folder, with or without an extension.
bool is_device_name(std::wstring_view name)
{
    std::wstring_view base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ')
        base.remove_suffix(1);
    static constexpr std::array<std::wstring_view, 6> plain{L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const std::wstring_view device : plain) {
        if (same_ascii(base, device))
            return true;
    }
    if (base.size() == 4 && (same_ascii(base.substr(0, 3), L"COM") || same_ascii(base.substr(0, 3), L"LPT"))) {
        const wchar_t digit = base[3];
        // Superscript one, two and three count as digits there too.
        return (digit >= L'1' && digit <= L'9') || digit == 0x00B9 || digit == 0x00B2 || digit == 0x00B3;
    }
    return false;
}

// A name that Win32 would not take as it is written: it would drop trailing dots and blanks,
// read ':' as a stream, expand wildcards, or open a device.
bool is_plain_name(std::wstring_view name)
{
    if (name.empty() || name == L"." || name == L"..")
        return false;
    if (name.back() == L'.' || name.back() == L' ')
        return false;
    for (const wchar_t c : name) {
        if (c < 0x20 || c == L'<' || c == L'>' || c == L':' || c == L'"' || c == L'|' || c == L'?' || c == L'*')
            return false;
    }
    return !is_device_name(name);
}

bool is_letter(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

std::wstring join(const std::vector<std::wstring>& elements, std::size_t count)
{
    std::wstring path = elements[0];
    if (count == 1 && path.size() == 2 && path[1] == L':')
        return path + L'\\'; // the root of a drive
    for (std::size_t i = 1; i < count; ++i)
        path += L'\\' + elements[i];
    return path;
}

bool starts_with(const std::vector<std::wstring>& whole, const std::vector<std::wstring>& prefix,
                 const same_name_test& same)
{
    if (prefix.size() > whole.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (!same(whole[i], prefix[i]))
            return false;
    }
    return true;
}

struct parsed_root {
    std::vector<std::wstring> folder;
    std::vector<std::wstring> anchor;
    std::optional<std::vector<std::wstring>> ancestors_below;
    bool usable = false;
};

parsed_root parse(const scope_root& root, const same_name_test& same)
{
    parsed_root parsed;
    auto folder = plain_elements(root.folder);
    auto anchor = plain_elements(root.anchor);
    if (!folder || !anchor || !starts_with(*folder, *anchor, same))
        return parsed; // a root that is not plain, or outside its own anchor, admits nothing
    parsed.folder = std::move(*folder);
    parsed.anchor = std::move(*anchor);
    if (!root.ancestors_below.empty()) {
        parsed.ancestors_below = plain_elements(root.ancestors_below);
        if (!parsed.ancestors_below)
            return parsed;
    }
    parsed.usable = true;
    return parsed;
}

} // namespace

bool same_name_ascii(std::wstring_view a, std::wstring_view b)
{
    return same_ascii(a, b);
}

std::optional<std::vector<std::wstring>> plain_elements(const std::wstring& path)
{
    std::wstring text = path;
    for (wchar_t& c : text) {
        if (c == L'/')
            c = L'\\';
    }
    std::vector<std::wstring> elements;
    std::size_t at = 0;
    if (text.size() >= 3 && is_letter(text[0]) && text[1] == L':' && text[2] == L'\\') {
        elements.push_back(text.substr(0, 2));
        at = 3;
    } else if (text.size() >= 2 && text[0] == L'\\' && text[1] == L'\\') {
        // "\\server\share"; "\\?\" and "\\.\" skip the checks that plain paths get.
        const std::size_t server_end = text.find(L'\\', 2);
        if (server_end == std::wstring::npos)
            return std::nullopt;
        const std::wstring server = text.substr(2, server_end - 2);
        if (!is_plain_name(server))
            return std::nullopt;
        elements.push_back(L"\\\\" + server);
        at = server_end + 1;
        const std::size_t share_end = text.find(L'\\', at);
        const std::wstring share = text.substr(at, share_end == std::wstring::npos ? std::wstring::npos : share_end - at);
        if (!is_plain_name(share))
            return std::nullopt;
        elements.push_back(share);
        at = share_end == std::wstring::npos ? text.size() : share_end + 1;
    } else {
        return std::nullopt; // relative, drive-relative ("C:x") or rooted without a drive
    }
    if (at < text.size() && text.back() == L'\\')
        text.pop_back();
    while (at < text.size()) {
        const std::size_t end = text.find(L'\\', at);
        const std::wstring name = text.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
        if (!is_plain_name(name))
            return std::nullopt;
        elements.push_back(name);
        at = end == std::wstring::npos ? text.size() : end + 1;
    }
    return elements;
}

scope_decision decide_scope(const std::wstring& path, const std::vector<scope_root>& roots, const same_name_test& same)
{
    scope_decision decision;
    const std::optional<std::vector<std::wstring>> elements = plain_elements(path);
    if (!elements)
        return decision;
    decision.verdict = scope_verdict::outside;
    std::vector<parsed_root> parsed;
    for (const scope_root& root : roots)
        parsed.push_back(parse(root, same));

    const auto found = [&](scope_verdict verdict, std::size_t index) {
        decision.verdict = verdict;
        decision.root = index;
        for (std::size_t count = parsed[index].anchor.size() + 1; count <= elements->size(); ++count)
            decision.checked.push_back(join(*elements, count));
        return decision;
    };
    for (std::size_t i = 0; i < roots.size(); ++i) {
        const parsed_root& root = parsed[i];
        if (!root.usable)
            continue;
        const bool matches = roots[i].single_file ? elements->size() == root.folder.size()
                                                  : elements->size() >= root.folder.size();
        if (matches && starts_with(*elements, root.folder, same))
            return found(scope_verdict::inside, i);
    }
    for (std::size_t i = 0; i < roots.size(); ++i) {
        const parsed_root& root = parsed[i];
        if (!root.usable || !root.ancestors_below)
            continue;
        if (elements->size() < root.folder.size() && elements->size() > root.ancestors_below->size()
            && starts_with(root.folder, *elements, same) && starts_with(*elements, *root.ancestors_below, same))
            return found(scope_verdict::ancestor, i);
    }
    return decision;
}

} // namespace state
