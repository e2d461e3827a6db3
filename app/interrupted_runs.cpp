#include "app/interrupted_runs.h"

#include <shlwapi.h>

#include "state/run_recovery.h"
#include "support/path.h"
#include "support/temporary_folder.h"

namespace {

constexpr const wchar_t* run_folder_pattern = L"marrowin_{*}";

std::wstring windows_temp()
{
    const std::wstring windows = tal::windows_folder();
    return windows.empty() ? std::wstring() : tal::append_path(windows, L"Temp");
}

} // namespace

std::wstring run_folder_path(const std::wstring& name, DWORD& error)
{
    const std::wstring temp = windows_temp();
    if (!temp.empty() && ::PathIsDirectoryW(temp.c_str())) {
        const std::wstring path =
            tal::choose_temporary_path(temp + L"\\", tal::windows_folder(), name, error, tal::temporary_folder_room);
        if (!path.empty())
            return path;
    }
    return tal::temporary_path_for(name, error);
}

std::vector<std::wstring> run_folder_places()
{
    std::vector<std::wstring> places;
    if (const std::wstring temp = windows_temp(); !temp.empty())
        places.push_back(temp);
    std::wstring user = tal::system_temporary_folder();
    while (user.size() > 3 && user.back() == L'\\')
        user.pop_back();
    if (!user.empty() && (places.empty() || ::lstrcmpiW(user.c_str(), places.front().c_str()) != 0))
        places.push_back(user);
    return places;
}

interrupted_runs_outcome undo_interrupted_runs(const std::vector<std::wstring>& places,
                                               const std::wstring& product_key_name)
{
    interrupted_runs_outcome outcome;
    for (const std::wstring& place : places) {
        std::vector<std::wstring> folders;
        WIN32_FIND_DATAW found{};
        const HANDLE search = ::FindFirstFileW(tal::append_path(place, run_folder_pattern).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                folders.push_back(tal::append_path(place, found.cFileName));
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
        // Newest last is not known from names: each run is undone on its own, and runs never
        // overlap, since each held the installer lock while it changed the machine.
        for (const std::wstring& folder : folders) {
            DWORD error = ERROR_SUCCESS;
            switch (recover_run(folder, product_key_name, error)) {
            case run_recovery::undone: ++outcome.undone; break;
            case run_recovery::failed:
                ++outcome.failed;
                if (outcome.error == ERROR_SUCCESS)
                    outcome.error = error;
                break;
            case run_recovery::not_a_run:
                // A run that died before its journal was made left an empty folder at most.
                if (is_trusted_run_folder(folder))
                    ::RemoveDirectoryW(folder.c_str());
                break;
            default: break;
            }
        }
    }
    return outcome;
}
