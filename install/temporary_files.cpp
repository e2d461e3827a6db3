#include "install/temporary_files.h"

#include <windows.h>

void RemoveTemporaryFiles(TemporaryFiles& temporary) noexcept
{
    for (const std::wstring& file : temporary.files) {
        ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(file.c_str());
    }
    if (!temporary.folder.empty())
        ::RemoveDirectoryW(temporary.folder.c_str());
    temporary.files.clear();
    temporary.folder.clear();
}
