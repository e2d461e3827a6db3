#include <cerrno>
#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "payload/platform.h"

namespace payload::platform {
namespace {

std::mutex folders_mutex;
std::map<int, std::wstring> special_folders;

[[noreturn]] void raise_errno(const char* what, const std::wstring& path)
{
    throw file_error(what, path, std::error_code(errno, std::generic_category()));
}

} // namespace

std::string native_path(const std::wstring& path)
{
    std::string utf8;
    for (const wchar_t wc : path) {
        const auto c = static_cast<std::uint32_t>(wc);
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            utf8 += static_cast<char>(0xE0 | (c >> 12));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | ((c >> 18) & 0x07));
            utf8 += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

void set_special_folders(std::map<int, std::wstring> folders)
{
    const std::lock_guard lock(folders_mutex);
    special_folders = std::move(folders);
}

std::wstring query_special_folder(int csidl)
{
    const std::lock_guard lock(folders_mutex);
    const auto found = special_folders.find(csidl);
    return found == special_folders.end() ? std::wstring() : found->second;
}

void make_writable(const std::wstring& path) noexcept
{
    namespace fs = std::filesystem;
    std::error_code ignored;
    const fs::path target = native_path(path);
    if (fs::is_regular_file(fs::symlink_status(target, ignored)))
        fs::permissions(target, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::add, ignored);
}

void create_parent_folders(const std::wstring& file)
{
    const std::filesystem::path parent = std::filesystem::path(native_path(file)).parent_path();
    if (parent.empty())
        return;
    std::error_code error;
    std::filesystem::create_directories(parent, error);
    if (error)
        throw file_error("cannot create folder", parent.wstring(), error);
}

element_state inspect_element(const std::wstring& path)
{
    element_state state;
    struct stat information {};
    if (::lstat(native_path(path).c_str(), &information) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return state;
        raise_errno("cannot inspect", path);
    }
    state.exists = true;
    state.directory = S_ISDIR(information.st_mode);
    state.reparse_point = S_ISLNK(information.st_mode);
    state.links = static_cast<std::uint32_t>(information.st_nlink);
    return state;
}

std::error_code link_fault_code(link_fault fault)
{
    switch (fault) {
    case link_fault::none: return {};
    case link_fault::hard_linked_file: return {EMLINK, std::generic_category()};
    case link_fault::linked_folder:
    case link_fault::linked_file: break;
    }
    return {ELOOP, std::generic_category()};
}

std::error_code recorded_runtime_error() noexcept
{
    return errno != 0 ? std::error_code(errno, std::generic_category()) : std::error_code();
}

void clear_runtime_errors() noexcept
{
    errno = 0;
}

void details::file_traits::close(int file) noexcept
{
    const int saved = errno;
    ::close(file);
    errno = saved;
}

output_file::output_file(const std::wstring& path) : path_(path)
{
    const std::string name = native_path(path);
    // An existing link is refused (ELOOP) rather than followed; a second name is refused
    // before the old content goes.
    file_.reset(::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (!file_)
        raise_errno("cannot open", path_);
    struct stat information {};
    if (::fstat(file_.get(), &information) != 0)
        raise_errno("cannot open", path_);
    if (information.st_nlink > 1)
        throw file_error("cannot open", path_, link_fault_code(link_fault::hard_linked_file));
    // The nearest thing to an exclusive share mode here: an advisory lock taken before
    // the old content goes.
    if (::flock(file_.get(), LOCK_EX | LOCK_NB) != 0 || ::ftruncate(file_.get(), 0) != 0)
        raise_errno("cannot open", path_);
}

void output_file::write_through(const char* bytes, std::size_t count)
{
    while (count > 0) {
        const ssize_t written = ::write(file_.get(), bytes, count);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            raise_errno("cannot write", path_);
        }
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
}

void output_file::close_file()
{
    if (::close(file_.release()) != 0)
        raise_errno("cannot close", path_);
}

input_file::input_file(const std::wstring& path) : path_(path)
{
    const std::string name = native_path(path);
    file_.reset(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file_)
        raise_errno("cannot open", path_);
}

std::size_t input_file::read(char* bytes, std::size_t count)
{
    for (;;) {
        const ssize_t got = ::read(file_.get(), bytes, count);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            raise_errno("cannot read", path_);
    }
}

unsigned usable_cores() noexcept
{
    // The affinity mask, not the machine's count: a process held to one core decodes alone.
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) != 0)
        return 1;
    return std::max(1, CPU_COUNT(&set));
}

// The packer's threads all run at the process's priority.
int thread_priority() noexcept
{
    return 0;
}

void set_thread_priority(int) noexcept {}

} // namespace payload::platform
