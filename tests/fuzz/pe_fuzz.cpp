// libFuzzer target over the PE reader of the payload tool: the payload resource and the
// import directory of whatever image the input is. Both must end in a result or a pe_error.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "payload/payload_resource.h"
#include "tools/pe_imports.h"
#include "tools/pe_resource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view image(reinterpret_cast<const char*>(data), size);
    try {
        const std::string_view resource =
            tools::find_pe_resource(image, payload::payload_resource_type, payload::payload_resource_name);
        // The view must lie inside the image it came from.
        if (resource.data() < image.data() || resource.data() + resource.size() > image.data() + image.size())
            std::abort();
    } catch (const tools::pe_error&) {
    }
    try {
        for (const auto& name : tools::pe_imported_dlls(image)) {
            if (name.size() > 260)
                std::abort();
        }
    } catch (const tools::pe_error&) {
    }
    return 0;
}
