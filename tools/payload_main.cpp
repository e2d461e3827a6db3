// payload: builds, lists, tests and extracts the installer's payload.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <string>
#include <vector>

#include "payload/compress_error.h"
#include "payload/destination.h"
#include "payload/extract.h"
#include "payload/memstream.h"
#include "payload/platform.h"
#include "tools/entry_check.h"
#include "tools/archive_listing.h"
#include "tools/manifest.h"
#include "tools/pack.h"

namespace {

constexpr const char* usage =
    "usage:\n"
    "  payload pack MANIFEST OUT.bz2\n"
    "  payload list FILE\n"
    "  payload test FILE\n"
    "  payload extract FILE --install-path DIR [--temporary-path DIR] [--sample-path DIR] [--special-root DIR]\n"
    "FILE is a payload (.bz2) or an installer executable that carries one.\n"
    "With --special-root, each token that names a system folder, such as <CommonData>, stands\n"
    "for a folder of the token's name below DIR; without it such a token fails.\n";

int usage_error(const char* problem)
{
    std::fprintf(stderr, "payload: %s\n%s", problem, usage);
    return 2;
}

int pack_command(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        return usage_error("pack takes MANIFEST and OUT");
    tools::pack(tools::read_manifest(args[0]), args[1]);
    return 0;
}

int list_command(const std::vector<std::string>& args)
{
    if (args.size() != 1)
        return usage_error("list takes FILE");
    const std::string compressed = tools::load_payload(args[0]);
    tal::imemstream source(compressed.data(), compressed.size());
    const tools::archive_listing listing = tools::list_archive(source);
    for (const payload::archive_entry& entry : listing.entries)
        std::printf("%-16s %12" PRIu64 " %08" PRIX32 "  %s  %s\n", tools::kind_name(entry.kind), entry.size, entry.crc,
                    tools::to_utf8(entry.destination).c_str(), tools::to_utf8(payload::last_element(entry.source)).c_str());
    std::printf("%zu entries, header_size %" PRIu64 ", total %" PRIu64 " bytes\n", listing.entries.size(),
                listing.header_size, listing.total_size);
    return 0;
}

int test_command(const std::vector<std::string>& args)
{
    if (args.size() != 1)
        return usage_error("test takes FILE");
    const std::string compressed = tools::load_payload(args[0]);
    tal::imemstream source(compressed.data(), compressed.size());
    const bool good = payload::test_archive(source);
    std::printf("%s: %s\n", args[0].c_str(), good ? "ok" : "damaged");
    return good ? 0 : 1;
}

// Each token of a system folder stands for a folder of its name below `root`.
void use_special_root(const std::wstring& root)
{
    const std::map<int, const wchar_t*> names{
        {0x05, L"Documents"},  {0x10, L"Desktop"},       {0x19, L"CommonDesktop"},   {0x1A, L"UserData"},
        {0x23, L"CommonData"}, {0x24, L"WinDir"},        {0x25, L"System"},          {0x26, L"ProgramFiles"},
        {0x2B, L"ProgramCommon"}, {0x2E, L"CommonDocuments"}};
    std::map<int, std::wstring> folders;
    for (const auto& [csidl, name] : names)
        folders[csidl] = payload::join_path(root, name);
    payload::platform::set_special_folders(folders);
}

// Reads the directory first and names every entry that would be written outside its token's
// folder; true when there is one, and then nothing at all is extracted. A directory that
// cannot be read is left to the extraction, which reports it with the engine's error line.
bool refuse_escaping_entries(const std::string& compressed)
{
    tools::archive_listing listing;
    try {
        tal::imemstream source(compressed.data(), compressed.size());
        listing = tools::list_archive(source);
    } catch (const std::exception&) {
        return false;
    }
    bool refused = false;
    for (const payload::archive_entry& entry : listing.entries) {
        const std::string reason = tools::escape_reason(entry);
        if (reason.empty())
            continue;
        std::printf("refused: %s  %s: %s\n", tools::to_utf8(entry.destination).c_str(),
                    tools::to_utf8(payload::last_element(entry.source)).c_str(), reason.c_str());
        refused = true;
    }
    if (refused)
        std::printf("error: 7\n");
    return refused;
}

int extract_command(const std::vector<std::string>& args)
{
    if (args.empty())
        return usage_error("extract takes FILE");
    payload::destination_roots roots;
    bool have_install_path = false;
    for (std::size_t i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size())
            return usage_error(("missing value after " + args[i]).c_str());
        const std::wstring value = tools::from_utf8(args[i + 1]);
        if (args[i] == "--install-path") {
            roots.install_path = value;
            have_install_path = true;
        } else if (args[i] == "--temporary-path") {
            roots.temporary_path = value;
        } else if (args[i] == "--sample-path") {
            roots.sample_path = value;
        } else if (args[i] == "--special-root") {
            use_special_root(value);
        } else {
            return usage_error(("unknown option " + args[i]).c_str());
        }
    }
    if (!have_install_path)
        return usage_error("extract needs --install-path");

    const std::string compressed = tools::load_payload(args[0]);
    if (refuse_escaping_entries(compressed))
        return 1;
    tal::imemstream source(compressed.data(), compressed.size());
    const bool ok = payload::extract_archive(source, roots, [](payload::notification n) {
        if (n.kind == payload::notification::file_end)
            std::printf("%s\n", tools::to_utf8(n.entry->destination).c_str());
        else if (n.kind == payload::notification::error)
            std::printf("error: %s%s%s\n", payload::error_code_text(n.code).c_str(), n.path.empty() ? "" : " ",
                        tools::to_utf8(n.path).c_str());
        return payload::notification::result::proceed;
    });
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage_error("no command");
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    try {
        if (command == "pack")
            return pack_command(args);
        if (command == "list")
            return list_command(args);
        if (command == "test")
            return test_command(args);
        if (command == "extract")
            return extract_command(args);
        return usage_error(("unknown command " + command).c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "payload: %s\n", e.what());
        return 1;
    }
}
