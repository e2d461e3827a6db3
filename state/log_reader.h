#pragma once
// The uninstall log's reader, apart from files and the system: it takes bytes one at a time
// from a source and says what the log records. Shared by ReadLog and the fuzz target.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace state {

// Longest line the reader keeps, line end included: 512 UTF-16 characters. A longer line is
// damage: reading stops there and what came before is kept.
inline constexpr std::size_t log_line_buffer_size = 1024;

class log_source {
public:
    enum class result { byte, end, failed };
    virtual ~log_source() = default;
    virtual result read_byte(unsigned char& byte) = 0;
};

struct log_record_entry {
    int kind = 0;
    std::uint32_t value = 0;
    bool succeeded = false;
    std::wstring text;
};

struct log_record {
    std::wstring title;           // line 3, before any "--"; empty when the line was not reached
    bool title_read = false;
    std::wstring install_folder;  // line 4, when it names an existing folder
    std::wstring shortcut_folder; // line 5, likewise
    std::vector<log_record_entry> entries;
};

struct log_reader_hooks {
    // 8-bit lines: the bytes in the system's ANSI code page.
    std::function<std::wstring(std::string_view)> ansi_to_wide;
    std::function<bool(const std::wstring&)> is_folder;
};

// Reads lines until the end of the source, the first damaged line, or a failed read.
void read_log_record(log_source& source, const log_reader_hooks& hooks, log_record& record);

} // namespace state
