#pragma once
// The headers and sections of a Windows executable image, read without the Windows API.
#include <cstdint>
#include <string_view>
#include <vector>

#include "tools/pe_resource.h"

namespace tools {

// A little-endian number of `width` bytes at `offset`; raises pe_error past the end.
std::uint32_t read_le(std::string_view image, std::size_t offset, int width);

class pe_image {
public:
    // Raises pe_error when `image` is not a PE file.
    explicit pe_image(std::string_view image);

    // The relative virtual address of data directory `index` (0 when absent) and its size.
    struct directory {
        std::uint32_t rva = 0;
        std::uint32_t size = 0;
    };
    directory data_directory(unsigned index) const;

    // The file offset of `size` bytes at a relative virtual address; raises pe_error when they
    // do not lie whole inside one section's bytes in the file.
    std::size_t file_offset(std::uint32_t rva, std::uint32_t size) const;

    bool is_64_bit() const noexcept { return magic_ == 0x20B; }
    std::string_view bytes() const noexcept { return image_; }

private:
    struct section {
        std::uint32_t virtual_address;
        std::uint32_t virtual_size;
        std::uint32_t raw_size;
        std::uint32_t raw_offset;
    };

    std::string_view image_;
    std::uint32_t magic_ = 0;
    std::size_t directories_ = 0;
    std::uint32_t directory_count_ = 0;
    std::vector<section> sections_;
};

} // namespace tools
