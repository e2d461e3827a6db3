#include "support/temporary_folder.h"

#include <shlwapi.h>

#include "support/path.h"

namespace tal {

std::wstring windows_folder()
{
    const UINT size = ::GetWindowsDirectoryW(nullptr, 0);
    if (size == 0)
        return {};
    std::wstring path(size, L'\0');
    const UINT length = ::GetWindowsDirectoryW(path.data(), size);
    if (length == 0 || length >= size)
        return {};
    path.resize(length);
    return path;
}

std::wstring system_temporary_folder()
{
    const DWORD size = ::GetTempPathW(0, nullptr);
    if (size == 0)
        return {};
    std::wstring path(size, L'\0');
    const DWORD length = ::GetTempPathW(size, path.data());
    if (length == 0)
        return {};
    if (length >= size) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER); // TEMP changed between the two calls
        return {};
    }
    path.resize(length);
    return path;
}

std::wstring choose_temporary_path(const std::wstring& system_temp, const std::wstring& windows_folder,
                                   const std::wstring& name, DWORD& error, std::size_t room)
{
    error = ERROR_SUCCESS;
    const auto fits = [room](const std::wstring& path) { return fits_max_path(path + std::wstring(room, L'x')); };
    const std::wstring preferred = append_path(system_temp, name);
    if (fits(preferred))
        return preferred;
    const std::wstring fallback = append_path(windows_folder, L"Temp");
    const std::wstring path = append_path(fallback, name);
    if (windows_folder.empty() || !fits(path)) {
        error = ERROR_FILENAME_EXCED_RANGE;
        return {};
    }
    if (!::PathIsDirectoryW(fallback.c_str())) {
        error = ERROR_PATH_NOT_FOUND;
        return {};
    }
    return path;
}

std::wstring temporary_path_for(const std::wstring& name, DWORD& error)
{
    const std::wstring system_temp = system_temporary_folder();
    if (system_temp.empty()) {
        error = ::GetLastError();
        return {};
    }
    return choose_temporary_path(system_temp, windows_folder(), name, error, temporary_folder_room);
}

} // namespace tal
