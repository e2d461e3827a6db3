#include "tools/pe_imports.h"

#include <algorithm>
#include <cstdint>

#include "tools/pe_image.h"

namespace tools {
namespace {

constexpr unsigned import_directory = 1;
constexpr std::size_t descriptor_size = 20;
// Longer than any DLL name; bounds the search for the terminating zero.
constexpr std::size_t longest_name = 260;

std::string lower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

} // namespace

std::vector<std::string> pe_imported_dlls(std::string_view bytes)
{
    const pe_image image(bytes);
    const pe_image::directory imports = image.data_directory(import_directory);
    std::vector<std::string> names;
    if (imports.rva == 0)
        return names;
    // Descriptors up to the all-zero one; each must lie inside the image's sections.
    for (std::uint32_t at = imports.rva;; at += descriptor_size) {
        if (at < imports.rva)
            throw pe_error("the import directory wraps around");
        const std::size_t descriptor = image.file_offset(at, descriptor_size);
        const std::uint32_t name_rva = read_le(bytes, descriptor + 12, 4);
        const std::uint32_t thunks = read_le(bytes, descriptor + 16, 4);
        if (name_rva == 0 && thunks == 0)
            break;
        const std::size_t name = image.file_offset(name_rva, 1);
        const std::string_view rest = bytes.substr(name, std::min(longest_name, bytes.size() - name));
        const std::size_t end = rest.find('\0');
        if (end == std::string_view::npos)
            throw pe_error("an imported DLL's name does not end");
        names.emplace_back(rest.substr(0, end));
    }
    return names;
}

std::vector<std::string> disallowed_dlls(const std::vector<std::string>& imports,
                                         const std::vector<std::string>& allowed)
{
    std::vector<std::string> refused;
    for (const std::string& dll : imports) {
        const bool known = std::any_of(allowed.begin(), allowed.end(),
                                       [&dll](const std::string& a) { return lower(a) == lower(dll); });
        if (!known)
            refused.push_back(dll);
    }
    return refused;
}

const std::vector<std::string>& installer_allowed_dlls()
{
    static const std::vector<std::string> allowed{
        "advapi32.dll", "clbcatq.dll",  "comdlg32.dll", "gdi32.dll",    "imagehlp.dll", "imm32.dll",
        "kernel32.dll", "msctf.dll",    "msvcrt.dll",   "normaliz.dll", "nsi.dll",      "ole32.dll",
        "oleaut32.dll", "psapi.dll",    "rpcrt4.dll",   "sechost.dll",  "setupapi.dll", "shell32.dll",
        "shlwapi.dll",  "user32.dll",   "wldap32.dll",  "ws2_32.dll",   "comctl32.dll"};
    return allowed;
}

} // namespace tools
