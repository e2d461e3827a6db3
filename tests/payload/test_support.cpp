#include "test_support.h"

#include <bzlib.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <fstream>
#include <random>
#include <stdexcept>

#include "payload/archive_format.h"
#include "payload/destination.h"
#include "payload/platform.h"

namespace test {

std::filesystem::path to_path(const std::wstring& path)
{
#ifdef _WIN32
    return std::filesystem::path(path);
#else
    return payload::platform::native_path(path);
#endif
}

temp_folder::temp_folder()
{
    static std::mt19937_64 random(std::random_device{}());
    path_ = std::filesystem::temp_directory_path() / ("vantrel-test-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

temp_folder::~temp_folder()
{
    std::error_code ignored;
    // Tests leave read-only files behind; make them removable first.
    for (const auto& item : std::filesystem::recursive_directory_iterator(path_, ignored))
        std::filesystem::permissions(item.path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::wstring temp_folder::wide(const std::wstring& below) const
{
    std::wstring folder = path_.wstring();
    if (below.empty())
        return folder;
    return folder + payload::platform::path_separator + below;
}

std::string read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::filesystem::path& path, const std::string& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::uint32_t reference_crc32(const std::string& bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string compress(const std::string& bytes)
{
    std::string out(bytes.size() + bytes.size() / 100 + 600, '\0');
    auto size = static_cast<unsigned>(out.size());
    const int status = BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(bytes.data()),
                                                static_cast<unsigned>(bytes.size()), 9, 0, 0);
    if (status != BZ_OK)
        throw std::runtime_error("bzip2 compression failed");
    out.resize(size);
    return out;
}

std::string compress_blocks(const std::vector<std::string>& chunks, int level)
{
    bz_stream stream{};
    if (BZ2_bzCompressInit(&stream, level, 0, 0) != BZ_OK)
        throw std::runtime_error("bzip2 compression failed");
    std::string out;
    char buffer[65536];
    // Feeds `bytes` with `action` until libbz2 says the action is done.
    const auto pass = [&](const std::string& bytes, int action, int done) {
        stream.next_in = const_cast<char*>(bytes.data());
        stream.avail_in = static_cast<unsigned>(bytes.size());
        for (;;) {
            stream.next_out = buffer;
            stream.avail_out = sizeof buffer;
            const int status = BZ2_bzCompress(&stream, action);
            out.append(buffer, sizeof buffer - stream.avail_out);
            if (status == done)
                return;
            if (status < 0)
                throw std::runtime_error("bzip2 compression failed");
        }
    };
    for (const std::string& chunk : chunks)
        pass(chunk, BZ_FLUSH, BZ_RUN_OK);
    pass({}, BZ_FINISH, BZ_STREAM_END);
    BZ2_bzCompressEnd(&stream);
    return out;
}

archive_bytes& archive_bytes::add(std::wstring source, std::wstring destination, std::string data, std::uint32_t kind)
{
    const std::uint32_t crc = reference_crc32(data);
    const std::uint64_t size = data.size();
    files_.push_back({std::move(source), std::move(destination), kind, std::move(data), crc, size});
    return *this;
}

namespace {

void put(std::string& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void put_text(std::string& out, const std::wstring& text)
{
    put(out, text.size(), 4);
    for (const wchar_t c : text)
        put(out, static_cast<std::uint16_t>(c), 2);
}

} // namespace

std::string archive_bytes::header() const
{
    std::string directory;
    for (const file& f : files_) {
        put_text(directory, f.source);
        put_text(directory, f.destination);
        put(directory, f.kind, 4);
        put(directory, f.size, 8);
        put(directory, f.crc, 4);
    }
    std::string header;
    put(header, 12 + directory.size(), 8);
    put(header, files_.size(), 4);
    return header + directory;
}

std::string archive_bytes::bytes() const
{
    std::string all = header();
    for (const file& f : files_)
        all += f.data;
    return all;
}

payload::extract_callback recorder::callback()
{
    using payload::notification;
    return [this](notification n) {
        switch (n.kind) {
        case notification::started: events.push_back("started"); break;
        case notification::finished:
            events.push_back("finished");
            bytes_read = n.bytes_read;
            bytes_total = n.bytes_total;
            break;
        case notification::file_begin:
            events.push_back("begin " + narrow(payload::last_element(n.entry->destination)));
            paths.push_back(n.entry->destination);
            break;
        case notification::file_end:
            events.push_back("end " + narrow(payload::last_element(n.entry->destination)));
            break;
        case notification::progress:
            if (events.empty() || events.back() != "progress")
                events.push_back("progress");
            if (first_progress == 0)
                first_progress = n.bytes_done;
            last_progress = n.bytes_done;
            bytes_total = n.bytes_total;
            break;
        case notification::error:
            events.push_back("error");
            error = n.code;
            error_path = n.path;
            break;
        }
        return answer ? answer(n) : notification::result::proceed;
    };
}

int recorder::count(const std::string& prefix) const
{
    int n = 0;
    for (const std::string& e : events)
        n += e.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
}

std::string narrow(const std::wstring& text)
{
    return to_path(text).string();
}

namespace {

bool reported_as_link(const std::wstring& path)
{
    try {
        return payload::platform::inspect_element(path).reparse_point;
    } catch (const std::exception&) {
        return false;
    }
}

#ifdef _WIN32
// The Unix name of a path under Wine, empty elsewhere.
std::string unix_name(const std::wstring& path)
{
    using get_unix_name = char*(__cdecl*)(const wchar_t*);
    const auto function = reinterpret_cast<get_unix_name>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = function ? function(path.c_str()) : nullptr;
    if (!name)
        return {};
    std::string result = name;
    ::HeapFree(::GetProcessHeap(), 0, name);
    return result;
}

bool start_unix(const std::wstring& command_line);

// Starts a Unix program under Wine, which starts ELF files as they are. Wine does not wait
// for such a program: `done` is asked until it holds, for a few seconds at most.
template <class Done>
void run_unix(const std::wstring& command_line, Done done)
{
    start_unix(command_line);
    for (int i = 0; i < 100 && !done(); ++i)
        ::Sleep(50);
}

bool start_unix(const std::wstring& command_line)
{
    std::wstring line = command_line;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

std::wstring quoted(const std::string& text)
{
    return L"\"" + std::wstring(text.begin(), text.end()) + L"\"";
}
#endif

} // namespace

bool make_folder_link(const std::wstring& link, const std::wstring& target)
{
    std::error_code error;
    std::filesystem::create_directory_symlink(to_path(target), to_path(link), error);
    if (reported_as_link(link))
        return true;
#ifdef _WIN32
    const std::string unix_link = unix_name(link), unix_target = unix_name(target);
    if (!unix_link.empty() && !unix_target.empty())
        run_unix(L"/bin/ln -s " + quoted(unix_target) + L" " + quoted(unix_link),
                 [&link] { return reported_as_link(link); });
#endif
    return reported_as_link(link);
}

void remove_folder_link(const std::wstring& link)
{
#ifdef _WIN32
    // A Windows link to a folder goes like an empty folder; a Unix one under Wine does not.
    if (::RemoveDirectoryW(link.c_str()) || !reported_as_link(link))
        return;
    const std::string unix_link = unix_name(link);
    if (!unix_link.empty())
        run_unix(L"/bin/rm -f " + quoted(unix_link), [&link] { return !reported_as_link(link); });
#else
    std::error_code ignored;
    std::filesystem::remove(to_path(link), ignored);
#endif
}

} // namespace test
