// libFuzzer target over the uninstall log's reader: any bytes, read to the first damage.
#include <cstdint>
#include <string>

#include "memory_source.h"
#include "state/log_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    test::memory_source source(std::string(reinterpret_cast<const char*>(data), size));
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
