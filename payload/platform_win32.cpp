#include <windows.h>
#include <shlobj.h>

#include <cerrno>
#include <cstdlib>

#include "payload/payload_resource.h"
#include "payload/platform.h"
#include "holders/owner_window.h"

namespace payload::platform {
namespace {

[[noreturn]] void raise_last_error(const char* what, const std::wstring& path)
{
    const DWORD error = ::GetLastError();
    throw file_error(what, path, std::error_code(static_cast<int>(error), std::system_category()));
}

// ERROR_STOPPED_ON_SYMLINK, which the compiler's headers lack: what the system answers
// when an open stops at a link it was told not to follow.
constexpr DWORD error_stopped_on_link = 681;

// What the link checks need of an opened file.
struct handle_state {
    DWORD attributes = 0;
    DWORD links = 1;
};

// GetFileInformationByHandle also asks for the volume's serial number, which Wine answers
// through its mount manager at milliseconds a call, once per file written: where the system
// has them (Vista on), the two classes that hold the attributes and the count of names.
bool query_handle_state(HANDLE file, handle_state& state)
{
    using query_by_class = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, void*, DWORD);
    static const auto by_class = reinterpret_cast<query_by_class>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetFileInformationByHandleEx")));
    if (by_class) {
        FILE_BASIC_INFO basic{};
        FILE_STANDARD_INFO standard{};
        if (!by_class(file, FileBasicInfo, &basic, sizeof basic)
            || !by_class(file, FileStandardInfo, &standard, sizeof standard))
            return false;
        state.attributes = basic.FileAttributes;
        state.links = standard.NumberOfLinks;
        return true;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(file, &information))
        return false;
    state.attributes = information.dwFileAttributes;
    state.links = information.nNumberOfLinks;
    return true;
}

// Refuses an opened file that is a link or has a second name; raises with the path.
void check_plain_handle(HANDLE file, const std::wstring& path)
{
    handle_state state;
    if (!query_handle_state(file, state))
        raise_last_error("cannot inspect", path);
    link_fault fault = link_fault::none;
    if (state.attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        fault = link_fault::linked_file;
    else if (!(state.attributes & FILE_ATTRIBUTE_DIRECTORY) && state.links > 1)
        fault = link_fault::hard_linked_file;
    if (fault != link_fault::none)
        throw file_error("link where a plain file was wanted", path, link_fault_code(fault));
}

} // namespace

std::wstring query_special_folder(int csidl)
{
    wchar_t folder[MAX_PATH] = {};
    // The result code is not enough: some systems answer S_FALSE or S_OK with nothing;
    // the folder exists when the buffer has been written.
    ::SHGetFolderPathW(tal::active_owner_window(), csidl, nullptr, SHGFP_TYPE_CURRENT, folder);
    return folder;
}

void make_writable(const std::wstring& path) noexcept
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES
        && !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
        && (attributes & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesW(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
}

void create_parent_folders(const std::wstring& file)
{
    const std::size_t end = file.find_last_of(L"\\/");
    if (end == std::wstring::npos || end == 0)
        return;
    const std::wstring parent = file.substr(0, end);
    const DWORD attributes = ::GetFileAttributesW(parent.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return;
    if (parent.size() == 2 && parent[1] == L':')
        return; // a drive: nothing to create
    create_parent_folders(parent);
    if (!::CreateDirectoryW(parent.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        raise_last_error("cannot create folder", parent);
}

element_state inspect_element(const std::wstring& path)
{
    element_state state;
    // The attributes of the name itself: a link reports its own, with the reparse flag.
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return state;
        raise_last_error("cannot inspect", path);
    }
    state.exists = true;
    // The name's own attributes show a folder that is a junction or a link; only a file's
    // count of names needs a handle.
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        state.directory = true;
        return state;
    }
    // Reading attributes is no access that share modes refuse: a file held open by the
    // product still opens here.
    const unique_file file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                         nullptr));
    handle_state opened;
    if (!file || !query_handle_state(file.get(), opened))
        raise_last_error("cannot inspect", path);
    const DWORD all = attributes | opened.attributes;
    state.directory = (all & FILE_ATTRIBUTE_DIRECTORY) != 0;
    state.reparse_point = (all & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    state.links = opened.links;
    return state;
}

std::error_code link_fault_code(link_fault fault)
{
    switch (fault) {
    case link_fault::none: return {};
    case link_fault::hard_linked_file: return {ERROR_TOO_MANY_LINKS, std::system_category()};
    case link_fault::linked_folder:
    case link_fault::linked_file: break;
    }
    return {static_cast<int>(error_stopped_on_link), std::system_category()};
}

unique_file open_plain_file(const std::wstring& path, unsigned long access)
{
    unique_file file(::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                   nullptr));
    if (!file)
        raise_last_error("cannot open", path);
    check_plain_handle(file.get(), path);
    return file;
}

std::error_code recorded_runtime_error() noexcept
{
    if (_doserrno != 0)
        return {static_cast<int>(_doserrno), std::system_category()};
    if (errno != 0)
        return {errno, std::generic_category()};
    return {};
}

void clear_runtime_errors() noexcept
{
    _doserrno = 0;
    errno = 0;
    ::SetLastError(ERROR_SUCCESS);
}

void details::file_traits::close(void* file) noexcept
{
    const DWORD error = ::GetLastError();
    ::CloseHandle(file);
    ::SetLastError(error);
}

output_file::output_file(const std::wstring& path) : path_(path)
{
    // No sharing: nobody may read a file while it is being written. OPEN_ALWAYS and an
    // explicit truncation, because CREATE_ALWAYS refuses existing hidden or system files. An
    // existing link is opened itself, and refused before the truncation touches anything.
    file_.reset(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT,
                              nullptr));
    if (!file_)
        raise_last_error("cannot open", path_);
    check_plain_handle(file_.get(), path_);
    if (!::SetEndOfFile(file_.get()))
        raise_last_error("cannot open", path_);
}

void output_file::write_through(const char* bytes, std::size_t count)
{
    DWORD written = 0;
    if (!::WriteFile(file_.get(), bytes, static_cast<DWORD>(count), &written, nullptr))
        raise_last_error("cannot write", path_);
    if (written != count) {
        ::SetLastError(ERROR_DISK_FULL);
        raise_last_error("cannot write", path_);
    }
}

void output_file::close_file()
{
    if (!::CloseHandle(file_.release()))
        raise_last_error("cannot close", path_);
}

input_file::input_file(const std::wstring& path) : path_(path)
{
    file_.reset(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file_)
        raise_last_error("cannot open", path_);
}

std::size_t input_file::read(char* bytes, std::size_t count)
{
    DWORD got = 0;
    if (!::ReadFile(file_.get(), bytes, static_cast<DWORD>(count), &got, nullptr))
        raise_last_error("cannot read", path_);
    return got;
}

unsigned usable_cores() noexcept
{
    // The affinity mask, not the machine's count: a process held to one core decodes alone.
    DWORD_PTR process = 0, system = 0;
    if (!::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system))
        return 1;
    unsigned cores = 0;
    for (; process != 0; process &= process - 1)
        ++cores;
    return cores > 0 ? cores : 1;
}

int thread_priority() noexcept
{
    const int priority = ::GetThreadPriority(::GetCurrentThread());
    return priority == THREAD_PRIORITY_ERROR_RETURN ? THREAD_PRIORITY_NORMAL : priority;
}

void set_thread_priority(int priority) noexcept
{
    // Only a hint: a worker left at normal priority decodes all the same.
    ::SetThreadPriority(::GetCurrentThread(), priority);
}

} // namespace payload::platform

namespace payload {
namespace {

const char* find_payload(HMODULE module, DWORD& size)
{
    const HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(payload_resource_name),
                                       MAKEINTRESOURCEW(payload_resource_type));
    if (!info)
        return nullptr;
    const HGLOBAL loaded = ::LoadResource(module, info);
    size = ::SizeofResource(module, info);
    if (!loaded || size == 0)
        return nullptr;
    return static_cast<const char*>(::LockResource(loaded));
}

} // namespace

tal::imemstream open_payload(HMODULE language_module)
{
    DWORD size = 0;
    const char* bytes = language_module ? find_payload(language_module, size) : nullptr;
    if (!bytes)
        bytes = find_payload(::GetModuleHandleW(nullptr), size);
    // Resources stay mapped for the life of the process: the source reads them in place.
    return bytes ? tal::imemstream(bytes, size) : tal::imemstream();
}

} // namespace payload
