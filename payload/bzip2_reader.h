#pragma once
#include <bzlib.h>

#include <cstddef>
#include <cstdint>

#include "payload/byte_source.h"

namespace payload {

// Decompresses one bzip2 stream read from `source` in 4096-byte blocks, in libbz2's normal
// (not reduced-memory) mode. A damaged stream, one cut short, and bytes after its end raise
// bzip2_failure.
class bzip2_reader {
public:
    explicit bzip2_reader(byte_source& source);
    ~bzip2_reader();
    bzip2_reader(const bzip2_reader&) = delete;
    bzip2_reader& operator=(const bzip2_reader&) = delete;

    // Fills `out` up to `count` bytes; fewer only at the end of the stream, 0 after it.
    std::size_t read(char* out, std::size_t count);

    // Compressed bytes taken from the source so far.
    std::uint64_t bytes_read() const noexcept { return bytes_read_; }

private:
    bool refill();

    byte_source& source_;
    bz_stream stream_{};
    char input_[4096];
    std::uint64_t bytes_read_ = 0;
    bool source_exhausted_ = false;
    bool ended_ = false;
};

} // namespace payload
