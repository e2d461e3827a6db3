#pragma once
// A read-only view of bytes someone else owns (the payload resource), as a source the engine
// reads from.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

#include "payload/byte_source.h"

namespace tal {

// Reads from memory that the caller owns; never writes and never frees it.
class imemstream final : public payload::byte_source {
public:
    imemstream() = default;
    imemstream(const char* data, std::size_t size) : data_(data), size_(size) {}
    imemstream(const imemstream&) = default;
    imemstream& operator=(const imemstream&) = default;

    std::size_t read(char* out, std::size_t count) override
    {
        const std::size_t left = size_ - next_;
        if (count > left)
            count = left;
        if (count > 0)
            std::memcpy(out, data_ + next_, count);
        next_ += count;
        return count;
    }

    std::optional<std::uint64_t> position() const override { return next_; }

    bool seek(std::uint64_t position) override
    {
        if (position > size_)
            return false;
        next_ = static_cast<std::size_t>(position);
        return true;
    }

    // Everything held, from the first byte.
    const char* data() const noexcept { return data_; }
    std::size_t size() const noexcept { return size_; }

private:
    const char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t next_ = 0;
};

} // namespace tal
