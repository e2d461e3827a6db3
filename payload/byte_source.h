#pragma once
// What the engine reads its compressed input from: bytes in order, and a way back to a
// position already read, which the parallel decoder needs when it hands over to the
// sequential one.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace payload {

class byte_source {
public:
    virtual ~byte_source() = default;

    // Copies up to `count` next bytes to `out`: fewer only at the end of the source (or when
    // it has been stopped), 0 after it.
    virtual std::size_t read(char* out, std::size_t count) = 0;

    // Where the next byte comes from, counted from the source's start; none when the source
    // cannot tell, and then it cannot seek either.
    virtual std::optional<std::uint64_t> position() const = 0;

    // Moves to `position`, at most the source's size; false when it cannot.
    virtual bool seek(std::uint64_t position) = 0;

protected:
    byte_source() = default;
    byte_source(const byte_source&) = default;
    byte_source& operator=(const byte_source&) = default;
};

} // namespace payload
