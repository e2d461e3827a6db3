#pragma once
// The engine's few contacts with the operating system. Windows builds use Win32
// (platform_win32.cpp), host builds POSIX (platform_posix.cpp).
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "holders/unique_any.h"
#include "payload/file_error.h"
#include "payload/plain_path.h"

namespace payload::platform {

#ifdef _WIN32
inline constexpr wchar_t path_separator = L'\\';
#else
inline constexpr wchar_t path_separator = L'/';
#endif

#ifndef _WIN32
// The host's name of a path: wchar_t holds UTF-32 here, file names are UTF-8.
std::string native_path(const std::wstring& path);
#endif

// The folder of a CSIDL value, or an empty string when the system has none.
std::wstring query_special_folder(int csidl);

#ifndef _WIN32
// The host has no special folders: the caller says which exist, by CSIDL value.
void set_special_folders(std::map<int, std::wstring> folders);
#endif

// An existing regular file loses its read-only state; a link is left alone (the open that
// follows refuses it). Failures are ignored, the open that follows reports them.
void make_writable(const std::wstring& path) noexcept;

// Creates the missing folders above `file`; raises a file_error with the system's code.
void create_parent_folders(const std::wstring& file);

// What `path` itself is, a link not followed. A path that cannot be looked at raises a
// file_error with the system's code; one that is not there is no error.
element_state inspect_element(const std::wstring& path);

// The system's error code for a link where a plain folder or file was wanted.
std::error_code link_fault_code(link_fault fault);

// The processors this process may run on, at least 1.
unsigned usable_cores() noexcept;

// The calling thread's scheduling priority, and giving it to another thread at its start: a
// decoder's workers run no higher than the thread that wants their blocks.
int thread_priority() noexcept;
void set_thread_priority(int priority) noexcept;

// The runtime library's record of the last failure: the platform error if one is recorded,
// else errno; empty when neither is. clear_runtime_errors() resets both.
std::error_code recorded_runtime_error() noexcept;
void clear_runtime_errors() noexcept;

namespace details {
struct file_traits {
#ifdef _WIN32
    using type = void*;
    static type invalid() noexcept { return reinterpret_cast<void*>(static_cast<std::intptr_t>(-1)); }
#else
    using type = int;
    static type invalid() noexcept { return -1; }
#endif
    static void close(type file) noexcept;
};
} // namespace details

using unique_file = tal::unique_any<details::file_traits>;

#ifdef _WIN32
// An existing file or folder opened as it is, a link not followed, with `access` and full
// sharing. Raises a file_error when it cannot be opened, is a reparse point, or is a
// file with a second name.
unique_file open_plain_file(const std::wstring& path, unsigned long access);
#endif

// A target file, opened for writing with nobody else allowed in, emptied first. An existing
// target is opened as it is: a link or a file with a second name is refused before anything
// is written. Writes are gathered into 64 KiB blocks. Every failure raises a file_error
// carrying the path and the system's code.
class output_file {
public:
    explicit output_file(const std::wstring& path);
    void write(const char* bytes, std::size_t count);
    void close();

private:
    void write_through(const char* bytes, std::size_t count);
    void close_file();

    std::wstring path_;
    unique_file file_;
    std::vector<char> pending_;
};

// A file opened for reading that others may read too.
class input_file {
public:
    explicit input_file(const std::wstring& path);
    // Returns the number of bytes read, 0 at the end of the file.
    std::size_t read(char* bytes, std::size_t count);

private:
    std::wstring path_;
    unique_file file_;
};

} // namespace payload::platform
