// The product's uninstaller: removes what Uninstall.ulog beside it lists, newest first. It
// runs from a copy in a private temporary folder, so that it can remove itself and its folder.
// Uninstall.exe [/S]: /S removes without asking.
// The log is only a list of candidates: what lies outside the product's folders, what is
// reached through a link, and any key other than the product's own is left alone and told,
// one line each, on standard error (and in a closing box when not silent).
#include <windows.h>
#include <shlwapi.h>

#include <cwchar>
#include <string>
#include <vector>

#include "holders/handles.h"
#include "private_copy.h"
#include "removal_scope.h"
#include "state/file_log_source.h"
#include "state/log_reader.h"
#include "support/dll_search.h"
#include "support/system_info.h"

namespace {

// The kinds of the log's entry lines.
constexpr int folder_entry = 0;
constexpr int key_entry = 5;
constexpr int registration_entry = 6;
constexpr int directx_entry = 7;

// How long the copy waits for the original program to end.
constexpr DWORD original_wait_ms = 30000;

// The uninstaller's exit codes.
constexpr int exit_removed = 0;
constexpr int exit_declined = 1;
constexpr int exit_no_log = 2;
constexpr int exit_no_copy = 3;
constexpr int exit_not_started = 4;


std::wstring folder_of(const std::wstring& path)
{
    const std::size_t at = path.find_last_of(L'\\');
    return at == std::wstring::npos ? std::wstring() : path.substr(0, at);
}

class reporter {
public:
    void operator()(const std::wstring& line)
    {
        lines_ += line + L"\r\n";
        const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
        if (error == nullptr || error == INVALID_HANDLE_VALUE)
            return;
        const std::wstring text = line + L"\r\n";
        const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                               nullptr, nullptr);
        std::string bytes(static_cast<std::size_t>(size), '\0');
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                              nullptr);
        DWORD written = 0;
        ::WriteFile(error, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
    const std::wstring& lines() const noexcept { return lines_; }

private:
    std::wstring lines_;
};

void delete_file(const std::wstring& path)
{
    if (path.empty())
        return;
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
}

const wchar_t* reason(uninstaller::removal_verdict verdict)
{
    switch (verdict) {
    case uninstaller::removal_verdict::outside: return L"Left alone, outside the product's folders: ";
    case uninstaller::removal_verdict::through_link: return L"Left alone, reached through a link: ";
    default: return L"Left alone, not a plain full path: ";
    }
}

// Removes what the log lists, newest first, except the installation folder and the folders
// above it: they can only go after it, by the caller. Returns those above it that may go.
std::vector<std::wstring> remove(const state::log_record& record, const std::wstring& install_folder,
                                 const std::vector<state::scope_root>& roots, reporter& report)
{
    std::vector<std::wstring> above;
    for (auto entry = record.entries.rbegin(); entry != record.entries.rend(); ++entry) {
        switch (entry->kind) {
        case key_entry:
            // Whatever the line names, only the product's own key goes.
            if (entry->text != uninstaller::product_key_text)
                report(L"Left alone, not the product's key: " + entry->text);
            ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, uninstaller::product_key);
            break;
        case registration_entry:
            ::SHDeleteKeyW(HKEY_CLASSES_ROOT, L".vantrel");
            ::SHDeleteKeyW(HKEY_CLASSES_ROOT, L"Vantrel.Document");
            break;
        case directx_entry: break; // the DirectX runtime stays: other programs use it
        default: {
            if (entry->text.empty())
                break; // a shortcut that was not made
            const bool folder = entry->kind == folder_entry;
            if (folder && uninstaller::same_folder(entry->text, install_folder))
                break;
            const uninstaller::removal_verdict verdict = uninstaller::check_removal(
                entry->text, folder, roots, uninstaller::same_name, uninstaller::is_link);
            if (verdict != uninstaller::removal_verdict::allowed)
                report(reason(verdict) + entry->text);
            else if (folder && uninstaller::is_above(entry->text, install_folder))
                above.push_back(entry->text);
            else if (folder)
                ::RemoveDirectoryW(entry->text.c_str()); // only when empty
            else
                delete_file(entry->text);
            break;
        }
        }
    }
    // Also when the log has lost its key line.
    ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, uninstaller::product_key);
    return above;
}

// The part that runs from the temporary copy: waits for the original to end, then removes.
int uninstall_from_copy(const std::wstring& folder, DWORD parent, bool silent)
{
    const tal::unique_handle original(::OpenProcess(SYNCHRONIZE, FALSE, parent));
    if (original)
        ::WaitForSingleObject(original.get(), original_wait_ms);
    const std::wstring log = folder + L"\\Uninstall.ulog";
    state::log_record record;
    {
        const tal::unique_hfile file(
            ::CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file)
            return exit_no_log;
        state::file_log_source source(file.get());
        const state::log_reader_hooks hooks{state::ansi_to_wide,
                                            [](const std::wstring& f) { return ::PathIsDirectoryW(f.c_str()) != FALSE; }};
        state::read_log_record(source, hooks, record);
    }
    if (!silent && ::MessageBoxW(nullptr, (L"Remove " + record.title + L"?").c_str(), L"Uninstall",
                                 MB_YESNO | MB_ICONQUESTION) != IDYES)
        return exit_declined;
    reporter report;
    const std::vector<state::scope_root> roots = uninstaller::product_roots(
        folder, uninstaller::current_system_folders(), {record.install_folder, record.shortcut_folder, record.title},
        [&report](const std::wstring& line) { report(line); }, uninstaller::same_name);
    // The log first, so that the folders it sat in are empty when their turn comes.
    delete_file(log);
    const std::vector<std::wstring> above = remove(record, folder, roots, report);
    ::RemoveDirectoryW(folder.c_str());
    for (const std::wstring& parent : above)
        ::RemoveDirectoryW(parent.c_str()); // only when empty
    if (!silent && !report.lines().empty())
        ::MessageBoxW(nullptr, report.lines().c_str(), L"Uninstall", MB_OK | MB_ICONWARNING);
    // The copy and its private folder go at the next start of the system, in that order.
    const std::wstring self = tal::module_file_name();
    ::MoveFileExW(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    ::MoveFileExW(folder_of(self).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return exit_removed;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    // It runs elevated from a folder that may hold planted libraries: system DLLs only.
    tal::restrict_dll_search();
    bool silent = false;
    std::wstring folder;
    DWORD parent = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"/S") == 0)
            silent = true;
        else if (std::wcscmp(argv[i], L"/FromCopy") == 0 && i + 2 < argc) {
            folder = argv[++i];
            parent = std::wcstoul(argv[++i], nullptr, 10);
        }
    }
    if (!folder.empty())
        return uninstall_from_copy(folder, parent, silent);

    // Run from a copy: a running program cannot delete its own file.
    const std::wstring self = tal::module_file_name();
    const std::wstring own_folder = folder_of(self);
    wchar_t temp[MAX_PATH + 1] = {}; // GetTempPathW's longest answer
    if (self.empty() || own_folder.empty() || !::GetTempPathW(MAX_PATH + 1, temp))
        return exit_no_copy;
    DWORD error = ERROR_SUCCESS;
    const std::wstring private_folder = uninstaller::make_private_folder(temp, error);
    if (private_folder.empty())
        return exit_no_copy;
    const std::wstring copy = private_folder + L"\\Uninstall.exe";
    if (!::CopyFileW(self.c_str(), copy.c_str(), TRUE))
        return exit_no_copy;
    ::SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::wstring command = L"\"" + copy + L"\" /FromCopy \"" + own_folder + L"\" " +
                           std::to_wstring(::GetCurrentProcessId()) + (silent ? L" /S" : L"");
    // The copy reports on this program's standard handles.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(copy.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, private_folder.c_str(),
                          &startup, &info))
        return exit_not_started;
    const tal::unique_handle process(info.hProcess), thread(info.hThread);
    return exit_removed;
}
