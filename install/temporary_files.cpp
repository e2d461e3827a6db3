#include "install/temporary_files.h"

#include <windows.h>

namespace {

TemporaryFiles* current = nullptr;

} // namespace

TemporaryFiles* CurrentTemporaryFiles() noexcept
{
    return current;
}

TemporaryFilesScope::TemporaryFilesScope(TemporaryFiles& files) : m_files(files)
{
    current = &files;
}

TemporaryFilesScope::~TemporaryFilesScope()
{
    current = nullptr;
    for (const std::wstring& file : m_files.files) {
        ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(file.c_str());
    }
    ::RemoveDirectoryW(m_files.folder.c_str());
}
