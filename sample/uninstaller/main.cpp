// The product's uninstaller: removes what Uninstall.ulog beside it lists, newest first. It
// runs from a copy in the temporary folder, so that it can remove itself and its folder.
// Uninstall.exe [/S]: /S removes without asking.
#include <windows.h>
#include <shlwapi.h>

#include <cwchar>
#include <string>
#include <vector>

#include "state/file_log_source.h"
#include "state/log_reader.h"
#include "holders/handles.h"

namespace {

void delete_file(const std::wstring& path)
{
    if (path.empty())
        return;
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
}

void remove(const state::log_record& record)
{
    const std::wstring machine = L"HKEY_LOCAL_MACHINE\\";
    for (auto entry = record.entries.rbegin(); entry != record.entries.rend(); ++entry) {
        switch (entry->kind) {
        case 0: ::RemoveDirectoryW(entry->text.c_str()); break; // only when empty
        case 5:
            // The entry names the key: "HKEY_LOCAL_MACHINE\..." with the product's own key last.
            if (entry->text.compare(0, machine.size(), machine) == 0)
                ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, entry->text.substr(machine.size()).c_str());
            break;
        case 6:
            ::SHDeleteKeyW(HKEY_CLASSES_ROOT, L".vantrel");
            ::SHDeleteKeyW(HKEY_CLASSES_ROOT, L"Vantrel.Document");
            break;
        case 7: break; // the DirectX runtime stays: other programs use it
        default: delete_file(entry->text); break;
        }
    }
}

// The part that runs from the temporary copy: waits for the original to end, then removes.
int uninstall_from_copy(const std::wstring& folder, DWORD parent, bool silent)
{
    const tal::unique_handle original(::OpenProcess(SYNCHRONIZE, FALSE, parent));
    if (original)
        ::WaitForSingleObject(original.get(), 30000);
    const std::wstring log = folder + L"\\Uninstall.ulog";
    state::log_record record;
    {
        const tal::unique_hfile file(
            ::CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file)
            return 2;
        state::file_log_source source(file.get());
        const state::log_reader_hooks hooks{state::ansi_to_wide,
                                            [](const std::wstring& f) { return ::PathIsDirectoryW(f.c_str()) != FALSE; }};
        state::read_log_record(source, hooks, record);
    }
    if (!silent && ::MessageBoxW(nullptr, (L"Remove " + record.title + L"?").c_str(), L"Uninstall",
                                 MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 1;
    // The log first, so that the folders it sat in are empty when their turn comes.
    delete_file(log);
    remove(record);
    ::RemoveDirectoryW(folder.c_str());
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    ::MoveFileExW(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
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
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring own_folder = self;
    own_folder.erase(own_folder.find_last_of(L'\\'));
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring copy = std::wstring(temp) + L"Uninstall-Vantrel-" + std::to_wstring(::GetCurrentProcessId()) + L".exe";
    if (!::CopyFileW(self, copy.c_str(), FALSE))
        return 3;
    ::SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::wstring command = L"\"" + copy + L"\" /FromCopy \"" + own_folder + L"\" " +
                           std::to_wstring(::GetCurrentProcessId()) + (silent ? L" /S" : L"");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(copy.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, temp, &startup, &info))
        return 4;
    const tal::unique_handle process(info.hProcess), thread(info.hThread);
    return 0;
}
