#pragma once
// A standard stream as a source for the engine, for the host programs that read files.
#include <istream>
#include <optional>

#include "payload/byte_source.h"

namespace tools {

class istream_source final : public payload::byte_source {
public:
    explicit istream_source(std::istream& in) : in_(in) {}

    // The stream buffer is read directly: a short last block must not set failbit.
    std::size_t read(char* out, std::size_t count) override
    {
        std::streambuf* buffer = in_.rdbuf();
        const std::streamsize got = buffer ? buffer->sgetn(out, static_cast<std::streamsize>(count)) : 0;
        return got > 0 ? static_cast<std::size_t>(got) : 0;
    }

    std::optional<std::uint64_t> position() const override
    {
        std::streambuf* buffer = in_.rdbuf();
        if (!buffer)
            return std::nullopt;
        const std::streamoff at = buffer->pubseekoff(0, std::ios_base::cur, std::ios_base::in);
        if (at < 0)
            return std::nullopt;
        return static_cast<std::uint64_t>(at);
    }

    bool seek(std::uint64_t position) override
    {
        std::streambuf* buffer = in_.rdbuf();
        const auto target = std::streampos(static_cast<std::streamoff>(position));
        return buffer && buffer->pubseekpos(target, std::ios_base::in) == target;
    }

private:
    std::istream& in_;
};

} // namespace tools
