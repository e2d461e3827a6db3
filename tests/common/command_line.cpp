#include "command_line.h"

#include "holders/handles.h"

namespace test {
namespace {

bool is_reparse_point(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Wine's own export: the host path of a Windows path, on the process heap.
std::string unix_path(const std::wstring& path)
{
    using to_unix = char*(__cdecl*)(const wchar_t*);
    const auto convert = reinterpret_cast<to_unix>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert)
        return {};
    char* converted = convert(path.c_str());
    if (!converted)
        return {};
    std::string text = converted;
    ::HeapFree(::GetProcessHeap(), 0, converted);
    return text;
}

std::wstring widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

// The host path of a link itself: its folder's host path and its own name.
std::wstring unix_link_path(const std::wstring& link)
{
    const std::size_t slash = link.find_last_of(L'\\');
    if (slash == std::wstring::npos)
        return {};
    const std::string parent = unix_path(link.substr(0, slash));
    return parent.empty() ? std::wstring() : widen(parent) + L"/" + link.substr(slash + 1);
}

// Wine starts host programs too; their exit code does not come back, so callers look at the result.
void run_host(const std::wstring& program, const std::wstring& arguments)
{
    const std::wstring path = L"Z:\\bin\\" + program;
    std::wstring command = path + L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return;
    const tal::unique_handle process(info.hProcess), thread(info.hThread);
    ::WaitForSingleObject(process.get(), 10000);
}

} // namespace

bool run_command_line(const std::wstring& command_line, DWORD ms, DWORD& exit_code, HANDLE std_error)
{
    std::wstring command = command_line;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (std_error) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = std_error;
    }
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, std_error != nullptr, 0, nullptr, nullptr,
                          &startup, &info))
        return false;
    const tal::unique_handle process(info.hProcess), thread(info.hThread);
    if (::WaitForSingleObject(process.get(), ms) != WAIT_OBJECT_0)
        return false;
    return ::GetExitCodeProcess(process.get(), &exit_code) != FALSE;
}

bool make_folder_link(const std::wstring& link, const std::wstring& target)
{
    if (::CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) && is_reparse_point(link))
        return true;
    const std::string to = unix_path(target);
    const std::wstring host_link = unix_link_path(link);
    if (to.empty() || host_link.empty())
        return false;
    run_host(L"ln", L"-s \"" + widen(to) + L"\" \"" + host_link + L"\"");
    for (int i = 0; i < 50 && !is_reparse_point(link); ++i)
        ::Sleep(100);
    return is_reparse_point(link);
}

void remove_folder_link(const std::wstring& link)
{
    if (!is_reparse_point(link))
        return;
    // Under Wine RemoveDirectoryW removes the folder a host link points to and leaves the
    // link: the host removes the link itself.
    const std::wstring host_link = unix_link_path(link);
    if (host_link.empty()) {
        ::RemoveDirectoryW(link.c_str());
        return;
    }
    run_host(L"rm", L"-f \"" + host_link + L"\"");
    for (int i = 0; i < 50 && is_reparse_point(link); ++i)
        ::Sleep(100);
}

} // namespace test
