#include "payload/archive_writer.h"

#include <algorithm>

#include "payload/archive_format.h"
#include "payload/compress_error.h"
#include "payload/crc32.h"
#include "payload/plain_path.h"

namespace payload {

archive_writer::archive_writer(destination_roots roots) : roots_(std::move(roots)) {}

void archive_writer::set_callback(extract_callback callback)
{
    callback_ = std::move(callback);
}

notification::result archive_writer::notify(const notification& n) const
{
    return callback_ ? callback_(n) : notification::result::proceed;
}

void archive_writer::notify_or_abort(const notification& n) const
{
    if (notify(n) == notification::result::abort)
        raise(compress_errc::interrupted);
}

bool archive_writer::awaits_empty_entry() const noexcept
{
    return !failed_ && index_ >= 1 && !remaining_ && index_ - 1 < entries_.size() && entries_[index_ - 1].size == 0;
}

const archive_entry* archive_writer::current_entry() const noexcept
{
    return remaining_ ? &entries_[index_ - 1] : nullptr;
}

std::int64_t archive_writer::write(const char* bytes, std::int64_t count)
{
    if (failed_)
        return count;
    try {
        return index_ == 0 ? gather_header(bytes, count) : write_entry(bytes, count);
    } catch (...) {
        failed_ = true;
        throw;
    }
}

std::int64_t archive_writer::gather_header(const char* bytes, std::int64_t count)
{
    const auto held = static_cast<std::uint64_t>(header_.size());
    if (held < 8) {
        const std::int64_t taken = std::min<std::int64_t>(static_cast<std::int64_t>(8 - held), count);
        header_.append(bytes, static_cast<std::size_t>(taken));
        if (held + static_cast<std::uint64_t>(taken) == 8) {
            header_size_ = read_u64(header_.data());
            // No room for entry_count, or more than any archive needs: malformed.
            if (header_size_ < minimal_header_size || header_size_ > maximal_header_size)
                raise(compress_errc::unexpected_error);
        }
        return taken;
    }
    const std::int64_t taken = static_cast<std::int64_t>(
        std::min<std::uint64_t>(header_size_ - held, static_cast<std::uint64_t>(count)));
    header_.append(bytes, static_cast<std::size_t>(taken));
    if (held + static_cast<std::uint64_t>(taken) == header_size_)
        read_directory();
    return taken;
}

void archive_writer::read_directory()
{
    entries_ = decode_directory(header_.data(), header_.size());
    std::uint64_t total = header_size_;
    for (archive_entry& entry : entries_) {
        entry.destination =
            join_path(resolve_destination(entry.destination, roots_, &entry.root), last_element(entry.source));
        if (entry.size > UINT64_MAX - total)
            raise(compress_errc::unexpected_error);
        total += entry.size;
    }
    total_ = total;
    position_ = header_size_;
    notify_or_abort(notification::make_progress(position_, total_));
    index_ = 1;
}

std::int64_t archive_writer::write_entry(const char* bytes, std::int64_t count)
{
    if (index_ - 1 >= entries_.size())
        raise(compress_errc::unexpected_error); // data after the last entry
    const archive_entry& entry = entries_[index_ - 1];
    if (!remaining_) {
        const notification::result answer = notify(notification::make_file(notification::file_begin, entry));
        if (answer == notification::result::abort)
            raise(compress_errc::interrupted);
        remaining_ = entry.size;
        skipping_ = answer == notification::result::skip;
        if (!skipping_) {
            check_plain_below(entry.root, entry.destination);
            platform::make_writable(entry.destination);
            platform::create_parent_folders(entry.destination);
            file_.emplace(entry.destination);
        }
    }
    const std::uint64_t taken = std::min<std::uint64_t>(static_cast<std::uint64_t>(count), *remaining_);
    if (!skipping_ && taken > 0)
        file_->write(bytes, static_cast<std::size_t>(taken));
    *remaining_ -= taken;
    position_ += taken;
    notify_or_abort(notification::make_progress(position_, total_));
    if (*remaining_ == 0)
        finish_entry(entry);
    return static_cast<std::int64_t>(taken);
}

void archive_writer::finish_entry(const archive_entry& entry)
{
    if (!skipping_) {
        file_->close();
        file_.reset();
        if (file_crc32(entry.destination) != entry.crc)
            raise(compress_errc::invalid_checksum);
        notify_or_abort(notification::make_file(notification::file_end, entry));
    }
    remaining_.reset();
    skipping_ = false;
    ++index_;
}

} // namespace payload
