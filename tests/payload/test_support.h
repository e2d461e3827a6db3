#pragma once
// Shared pieces of the engine's tests: temporary folders, files, hand-made archives and a
// callback that records what the engine reports.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "payload/notification.h"

namespace test {

// A fresh folder, removed with everything in it at the end of the test.
class temp_folder {
public:
    temp_folder();
    ~temp_folder();
    temp_folder(const temp_folder&) = delete;
    temp_folder& operator=(const temp_folder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder, or a path below it, as the engine spells paths.
    std::wstring wide(const std::wstring& below = {}) const;

private:
    std::filesystem::path path_;
};

std::filesystem::path to_path(const std::wstring& path);
std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& bytes);

// A plain bit-by-bit CRC-32, independent of the engine's table.
std::uint32_t reference_crc32(const std::string& bytes);

// One bzip2 stream of `bytes`, 900 k blocks.
std::string compress(const std::string& bytes);

// One bzip2 stream at block size `level` (1 to 9) in which every chunk ends a block.
std::string compress_blocks(const std::vector<std::string>& chunks, int level);

// Writes an archive byte by byte, so that tests can also write what a packer never would.
class archive_bytes {
public:
    struct file {
        std::wstring source;
        std::wstring destination;
        std::uint32_t kind = 0;
        std::string data;
        std::uint32_t crc;
        std::uint64_t size;
    };

    // A file whose stored size and CRC match its data.
    archive_bytes& add(std::wstring source, std::wstring destination, std::string data, std::uint32_t kind = 1);
    file& back() { return files_.back(); }

    // The header alone, with its own header_size.
    std::string header() const;
    // Header and data of every file.
    std::string bytes() const;

private:
    std::vector<file> files_;
};

// Records every notification as a line of text and answers as told.
struct recorder {
    std::vector<std::string> events;
    std::vector<std::wstring> paths;
    std::error_code error;
    std::wstring error_path;
    std::uint64_t first_progress = 0;
    std::uint64_t last_progress = 0;
    std::uint64_t bytes_read = 0;
    std::uint64_t bytes_total = 0;
    // Decides the answer; the default proceeds.
    std::function<payload::notification::result(const payload::notification&)> answer;

    payload::extract_callback callback();
    int count(const std::string& prefix) const;
};

std::string narrow(const std::wstring& text);

// Makes `link` a symbolic link to the folder `target`, as any user could where the folders
// above it let them, and says whether the system now reports a link there. Wine makes no
// Windows links, but reports a Unix one to a folder as a reparse point: there the link is
// made by the Unix ln.
bool make_folder_link(const std::wstring& link, const std::wstring& target);
// Removes such a link, never what it points to.
void remove_folder_link(const std::wstring& link);

} // namespace test
