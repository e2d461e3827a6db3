// libFuzzer target over the archive reader and writer. The input is a decompressed archive,
// fed to the writer in pieces whose sizes the input's first byte chooses. Entries are
// written only where their target stays inside this run's own folder; everything else is
// skipped, so that no input can write elsewhere on the machine.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "payload/archive_format.h"
#include "payload/archive_writer.h"
#include "payload/platform.h"

namespace {

const std::filesystem::path& fuzz_folder()
{
    static const std::filesystem::path folder = [] {
        // One fixed folder, emptied at start: libFuzzer may end without running exit handlers.
        auto path = std::filesystem::temp_directory_path() / "vantrel-fuzz";
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        payload::platform::set_special_folders({{0x1A, (path / "UserData").wstring()},
                                                {0x23, (path / "CommonData").wstring()}});
        return path;
    }();
    return folder;
}

bool inside_fuzz_folder(const std::wstring& target)
{
    const std::wstring root = fuzz_folder().wstring() + L"/";
    return target.compare(0, root.size(), root) == 0 && target.find(L"..") == std::wstring::npos
           && target.size() < 200;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t piece = 1 + data[0] % 64;
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    std::size_t left = size - 1;

    // The directory reader on its own, over whatever the input holds.
    try {
        payload::decode_directory(bytes, left);
    } catch (const std::exception&) {
    }

    payload::archive_writer writer({(fuzz_folder() / "app").wstring(), L"", L""});
    writer.set_callback([](payload::notification n) {
        if (n.kind == payload::notification::file_begin && !inside_fuzz_folder(n.entry->destination))
            return payload::notification::result::skip;
        return payload::notification::result::proceed;
    });
    try {
        while (left > 0) {
            const std::int64_t taken =
                writer.write(bytes, static_cast<std::int64_t>(std::min(piece, left)));
            if (taken < 0 || static_cast<std::size_t>(taken) > left)
                std::abort();
            bytes += taken;
            left -= static_cast<std::size_t>(taken);
        }
        char none = 0;
        for (int guard = 0; writer.awaits_empty_entry(); ++guard) {
            if (guard > 1000000)
                std::abort(); // an empty entry that never completes would hang the engine
            writer.write(&none, 0);
        }
    } catch (const std::exception&) {
    }
    return 0;
}
