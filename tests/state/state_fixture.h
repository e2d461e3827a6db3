#pragma once
// A temporary folder of real files for the journal's tests, and small file helpers.
#include <windows.h>

#include <map>
#include <string>

namespace test {

class scratch_folder {
public:
    scratch_folder();
    ~scratch_folder();
    scratch_folder(const scratch_folder&) = delete;
    scratch_folder& operator=(const scratch_folder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& below) const { return path_ + L"\\" + below; }

private:
    std::wstring path_;
};

void write_text(const std::wstring& path, const std::string& bytes);
// Deletes a folder with everything in it, read-only files included.
void remove_tree(const std::wstring& folder);
std::string read_bytes(const std::wstring& path);

// Every file and folder below `root`: relative path -> attributes and content ("<dir>" for
// folders), to compare a tree before and after.
std::map<std::wstring, std::pair<DWORD, std::string>> snapshot(const std::wstring& root);

// The bytes of a UTF-16LE text with a byte-order mark.
std::string utf16_file(const std::wstring& text);

std::string narrow(const std::wstring& text);

bool running_under_wine();

} // namespace test
