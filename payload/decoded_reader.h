#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace payload {

// The archive's bytes as they come out of its bzip2 stream, from a decoder or from a copy
// that an earlier archive test kept.
class decoded_reader {
public:
    virtual ~decoded_reader() = default;
    // Fills `out` up to `count` bytes; fewer only at the end, 0 after it. Throws on failure.
    virtual std::size_t read(char* out, std::size_t count) = 0;
    // Compressed bytes the archive took from its source so far.
    virtual std::uint64_t bytes_read() const = 0;
};

using decoded_reader_factory = std::function<std::unique_ptr<decoded_reader>()>;

// Where an archive test hands every decoded piece, in order.
using decoded_sink = std::function<void(const char* bytes, std::size_t count)>;

} // namespace payload
