#include "state_fixture.h"

#include <stdexcept>

#include "holders/handles.h"

namespace test {

void remove_tree(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_tree(path);
            else
                ::DeleteFileW(path.c_str());
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(folder.c_str());
}

namespace {

void walk(const std::wstring& root, const std::wstring& relative,
          std::map<std::wstring, std::pair<DWORD, std::string>>& tree)
{
    WIN32_FIND_DATAW found;
    const std::wstring folder = relative.empty() ? root : root + L"\\" + relative;
    const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::wstring below = relative.empty() ? name : relative + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree[below] = {found.dwFileAttributes, "<dir>"};
            walk(root, below, tree);
        } else {
            tree[below] = {found.dwFileAttributes, read_bytes(root + L"\\" + below)};
        }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

} // namespace

scratch_folder::scratch_folder()
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    static int serial = 0;
    path_ = std::wstring(temp) + L"vantrel-state-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(++serial);
    remove_tree(path_);
    if (!::CreateDirectoryW(path_.c_str(), nullptr))
        throw std::runtime_error("cannot create the scratch folder");
}

scratch_folder::~scratch_folder()
{
    remove_tree(path_);
}

void write_text(const std::wstring& path, const std::string& bytes)
{
    const tal::unique_hfile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (!file || !::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        throw std::runtime_error("cannot write " + narrow(path));
}

std::string read_bytes(const std::wstring& path)
{
    const tal::unique_hfile file(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return "<missing>";
    std::string bytes;
    char block[4096];
    DWORD got = 0;
    while (::ReadFile(file.get(), block, sizeof block, &got, nullptr) && got > 0)
        bytes.append(block, got);
    return bytes;
}

std::map<std::wstring, std::pair<DWORD, std::string>> snapshot(const std::wstring& root)
{
    std::map<std::wstring, std::pair<DWORD, std::string>> tree;
    walk(root, L"", tree);
    return tree;
}

std::string utf16_file(const std::wstring& text)
{
    std::string bytes("\xFF\xFE", 2);
    for (const wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

std::string narrow(const std::wstring& text)
{
    std::string out;
    for (const wchar_t c : text)
        out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

bool running_under_wine()
{
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

} // namespace test
