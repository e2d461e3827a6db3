#pragma once
// Bytes in memory as the uninstall log's source, failing at a chosen byte if asked.
#include <string>

#include "state/log_reader.h"

namespace test {

class memory_source final : public state::log_source {
public:
    explicit memory_source(std::string bytes, std::size_t fail_at = std::string::npos)
        : bytes_(std::move(bytes)), fail_at_(fail_at) {}

    result read_byte(unsigned char& byte) override
    {
        if (at_ == fail_at_)
            return result::failed;
        if (at_ >= bytes_.size())
            return result::end;
        byte = static_cast<unsigned char>(bytes_[at_++]);
        return result::byte;
    }

private:
    std::string bytes_;
    std::size_t fail_at_;
    std::size_t at_ = 0;
};

} // namespace test
