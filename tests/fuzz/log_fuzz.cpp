// libFuzzer target over the uninstall log's reader: any bytes, read to the first damage.
#include <cstdint>
#include <string>

#include "state/log_reader.h"

namespace {

class memory_source final : public state::log_source {
public:
    memory_source(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    result read_byte(unsigned char& byte) override
    {
        if (at_ >= size_)
            return result::end;
        byte = data_[at_++];
        return result::byte;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    memory_source source(data, size);
    const state::log_reader_hooks hooks{[](std::string_view bytes) {
                                            std::wstring wide;
                                            for (const char c : bytes)
                                                wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
                                            return wide;
                                        },
                                        // Both answers get exercised: the folder test has no
                                        // file system behind it here.
                                        [](const std::wstring& folder) { return folder.size() % 2 == 0; }};
    state::log_record record;
    state::read_log_record(source, hooks, record);
    return 0;
}
