#include "tools/manifest.h"

#include <array>
#include <fstream>

#include "payload/platform.h"

namespace tools {
namespace {

constexpr std::array<const char*, 6> kind_names{"language_module", "program",     "uninstaller",
                                                "user_data",       "shared_data", "redistributable"};

[[noreturn]] void fail(const std::filesystem::path& manifest, int line, const std::string& message)
{
    throw manifest_error(manifest.string() + ":" + std::to_string(line) + ": " + message);
}

std::vector<std::string> split_tabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', begin);
        fields.push_back(line.substr(begin, tab == std::string::npos ? std::string::npos : tab - begin));
        if (tab == std::string::npos)
            return fields;
        begin = tab + 1;
    }
}

// The source as written, "./" and "x/.." folded away, with Windows separators.
std::wstring stored_form(const std::string& written)
{
    std::wstring stored = from_utf8(std::filesystem::path(written).lexically_normal().generic_string());
    for (wchar_t& c : stored) {
        if (c == L'/')
            c = L'\\';
    }
    return stored;
}

} // namespace

std::optional<std::uint32_t> parse_kind(std::string_view name)
{
    for (std::uint32_t kind = 0; kind < kind_names.size(); ++kind) {
        if (name == kind_names[kind])
            return kind;
    }
    return std::nullopt;
}

const char* kind_name(std::uint32_t kind)
{
    return kind < kind_names.size() ? kind_names[kind] : "unknown";
}

std::wstring from_utf8(std::string_view text)
{
    std::wstring out;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        std::uint32_t code = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0F : extra == 1 ? c & 0x1F : c;
        ++i;
        for (; extra > 0 && i < text.size(); --extra, ++i)
            code = (code << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
        out += static_cast<wchar_t>(code);
    }
    return out;
}

std::string to_utf8(const std::wstring& text)
{
    return payload::platform::native_path(text);
}

std::vector<manifest_entry> read_manifest(const std::filesystem::path& manifest)
{
    std::ifstream in(manifest, std::ios::binary);
    if (!in)
        throw manifest_error(manifest.string() + ": cannot be read");
    const std::filesystem::path folder = std::filesystem::absolute(manifest).parent_path();
    std::vector<manifest_entry> entries;
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        if (line == 1 && text.rfind("\xEF\xBB\xBF", 0) == 0)
            text.erase(0, 3);
        if (text.empty() || text[0] == '#')
            continue;
        const std::vector<std::string> fields = split_tabs(text);
        if (fields.size() != 3)
            fail(manifest, line, "expected 3 tab-separated fields (source, destination, kind), found "
                                     + std::to_string(fields.size()));
        if (fields[0].empty() || fields[1].empty())
            fail(manifest, line, "empty source or destination");
        const std::optional<std::uint32_t> kind = parse_kind(fields[2]);
        if (!kind)
            fail(manifest, line, "unknown kind '" + fields[2] + "'");
        const std::filesystem::path source = (folder / std::filesystem::path(fields[0])).lexically_normal();
        std::error_code error;
        if (!std::filesystem::is_regular_file(source, error))
            fail(manifest, line, "source file not found: " + source.string());
        entries.push_back({source, stored_form(fields[0]), from_utf8(fields[1]), *kind, line});
    }
    return entries;
}

} // namespace tools
