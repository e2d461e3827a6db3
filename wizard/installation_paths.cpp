#include "wizard/installation_paths.h"

#include <algorithm>
#include <exception>

#include "app/localized_strings.h"
#include "app/message_keys.h"
#include "app/product.h"
#include "payload/archive_format.h"
#include "payload/bzip2_reader.h"
#include "payload/compress_error.h"
#include "payload/destination.h"
#include "payload/payload_resource.h"
#include "support/language.h"
#include "support/path.h"

namespace {

const wchar_t install_path_token[] = L"<InstallPath>";
const wchar_t uninstall_log_name[] = L"Uninstall.ulog";

void read_exactly(payload::bzip2_reader& reader, char* out, std::size_t count)
{
    while (count > 0) {
        const std::size_t got = reader.read(out, count);
        if (got == 0)
            payload::raise(payload::compress_errc::archive_damaged);
        out += got;
        count -= got;
    }
}

} // namespace

std::vector<payload::archive_entry> ReadPayloadDirectory(payload::byte_source& compressed)
{
    payload::bzip2_reader reader(compressed);
    std::string header(8, '\0');
    read_exactly(reader, header.data(), header.size());
    const std::uint64_t size = payload::read_u64(header.data());
    if (size < payload::minimal_header_size)
        payload::raise(payload::compress_errc::archive_damaged);
    // Piece by piece, so that a lying size cannot ask for more memory than the archive holds.
    while (header.size() < size) {
        char piece[4096];
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof piece, size - header.size()));
        read_exactly(reader, piece, want);
        header.append(piece, want);
    }
    return payload::decode_directory(header.data(), header.size());
}

std::vector<std::wstring> PathsBelowInstallFolder(const std::vector<payload::archive_entry>& directory)
{
    std::vector<std::wstring> paths;
    for (const payload::archive_entry& entry : directory) {
        const std::vector<std::wstring> elements = payload::split_path(entry.destination);
        if (elements.empty() || elements.front() != install_path_token)
            continue;
        std::wstring folder;
        for (auto element = elements.begin() + 1; element != elements.end(); ++element)
            folder = tal::append_path(folder, *element);
        paths.push_back(tal::append_path(folder, payload::last_element(entry.source)));
        if (entry.kind == static_cast<std::uint32_t>(payload::entry_kind::uninstaller))
            paths.push_back(tal::append_path(folder, uninstall_log_name));
    }
    return paths;
}

const std::vector<std::wstring>& InstallerPathsBelowInstallFolder()
{
    static const std::vector<std::wstring> paths = [] {
        try {
            tal::imemstream compressed = payload::open_payload(tal::language_module());
            return PathsBelowInstallFolder(ReadPayloadDirectory(compressed));
        } catch (const std::exception&) {
            return std::vector<std::wstring>();
        }
    }();
    return paths;
}

std::vector<std::wstring> StartMenuLinkFiles()
{
    // The names the run gives the program's and the uninstaller's links.
    return {GetProductName(false) + L".lnk",
            FormatLocalizedMessage(MSG_UNINSTALL_PRODUCT, {GetProductName(true)}) + L".lnk"};
}

std::size_t LongestFolderFor(const std::vector<std::wstring>& below)
{
    std::size_t longest = 0;
    for (const std::wstring& path : below)
        longest = std::max(longest, path.size());
    // Room for the terminator, and for the separator before the deepest path.
    const std::size_t room = tal::max_path - 1;
    return below.empty() ? room : room - std::min(room, longest + 1);
}

bool FitsBelow(const std::wstring& folder, const std::vector<std::wstring>& below)
{
    return tal::fits_max_path(folder)
           && std::all_of(below.begin(), below.end(), [&folder](const std::wstring& path) {
                  return tal::fits_max_path(tal::append_path(folder, path));
              });
}
