#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "payload/archive_entry.h"
#include "payload/destination.h"
#include "payload/notification.h"
#include "payload/platform.h"

namespace payload {

// Receives the decompressed archive piece by piece: gathers the header, then writes,
// verifies and reports each entry. Each call takes bytes of one phase only (the 8 length
// bytes, the rest of the header, or data of one entry) and says how many it took; a call
// that completes an entry of size 0 takes none.
class archive_writer {
public:
    explicit archive_writer(destination_roots roots);

    // An empty callback sends nothing and counts every answer as proceed.
    void set_callback(extract_callback callback);

    std::int64_t write(const char* bytes, std::int64_t count);

    // True when an entry of size 0 is next: nothing else will call for it once the data ends.
    bool awaits_empty_entry() const noexcept;

    // The whole header has arrived and its directory has been read.
    bool directory_read() const noexcept { return index_ != 0; }

    // Every byte of the archive has arrived.
    bool complete() const noexcept { return total_ != 0 && position_ == total_; }

    std::uint64_t total() const noexcept { return total_; }

    // The entry being written or skipped, if one is in progress.
    const archive_entry* current_entry() const noexcept;

private:
    std::int64_t gather_header(const char* bytes, std::int64_t count);
    void read_directory();
    std::int64_t write_entry(const char* bytes, std::int64_t count);
    void finish_entry(const archive_entry& entry);
    notification::result notify(const notification& n) const;
    void notify_or_abort(const notification& n) const;

    destination_roots roots_;
    std::vector<archive_entry> entries_;
    std::uint64_t header_size_ = 0;
    std::uint64_t position_ = 0;
    std::uint64_t total_ = 0;
    std::string header_;
    std::optional<platform::output_file> file_;
    extract_callback callback_;
    std::uint32_t index_ = 0;
    std::optional<std::uint64_t> remaining_;
    bool skipping_ = false;
    bool failed_ = false;
};

} // namespace payload
