#include "payload/platform.h"

namespace payload::platform {
namespace {

constexpr std::size_t block_size = 64 * 1024;

} // namespace

void output_file::write(const char* bytes, std::size_t count)
{
    if (pending_.capacity() == 0)
        pending_.reserve(block_size);
    if (pending_.size() + count > block_size) {
        if (!pending_.empty())
            write_through(pending_.data(), pending_.size());
        pending_.clear();
        if (count >= block_size) {
            write_through(bytes, count);
            return;
        }
    }
    pending_.insert(pending_.end(), bytes, bytes + count);
}

void output_file::close()
{
    if (!pending_.empty())
        write_through(pending_.data(), pending_.size());
    pending_.clear();
    close_file();
}

} // namespace payload::platform
