#pragma once
// Reads one resource out of a Windows executable image without the Windows API.
#include <stdexcept>
#include <string>
#include <string_view>

namespace tools {

class pe_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bytes of the resource with numeric `type` and `name` (its first language) inside
// `image`, the whole file of a PE executable. Raises pe_error when the image is malformed or
// has no such resource.
std::string_view find_pe_resource(std::string_view image, unsigned type, unsigned name);

} // namespace tools
