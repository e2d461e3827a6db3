#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <system_error>

#include "payload/archive_entry.h"

namespace payload {

// What the extraction engine tells its caller, one record per event.
struct notification {
    enum kind_type : int { started = 0, finished = 1, file_begin = 2, file_end = 3, progress = 4, error = 5 };

    // The caller's answer. Any other value acts as proceed.
    enum class result : int { proceed = 0, abort = 1, skip = 2 };

    kind_type kind = started;
    std::uint64_t bytes_read = 0;  // finished: compressed bytes consumed
    std::uint64_t bytes_done = 0;  // progress: archive bytes accounted for
    std::uint64_t bytes_total = 0; // finished, progress: size of the archive
    const archive_entry* entry = nullptr; // file_begin, file_end; valid until the engine returns
    std::error_code code;          // error
    std::wstring path;             // error, possibly empty

    static notification make_started() { return notification{}; }
    static notification make_finished(std::uint64_t read, std::uint64_t total)
    {
        notification n;
        n.kind = finished;
        n.bytes_read = read;
        n.bytes_total = total;
        return n;
    }
    static notification make_file(kind_type k, const archive_entry& e)
    {
        notification n;
        n.kind = k;
        n.entry = &e;
        return n;
    }
    static notification make_progress(std::uint64_t done, std::uint64_t total)
    {
        notification n;
        n.kind = progress;
        n.bytes_done = done;
        n.bytes_total = total;
        return n;
    }
    static notification make_error(std::error_code c, std::wstring p)
    {
        notification n;
        n.kind = error;
        n.code = c;
        n.path = std::move(p);
        return n;
    }
};

using extract_callback = std::function<notification::result(notification)>;

} // namespace payload
