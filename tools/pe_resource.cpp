#include "tools/pe_resource.h"

#include <cstdint>
#include <vector>

namespace tools {
namespace {

std::uint32_t read(std::string_view image, std::size_t offset, int width)
{
    if (offset > image.size() || image.size() - offset < static_cast<std::size_t>(width))
        throw pe_error("the image is cut short");
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i)
        value |= std::uint32_t{static_cast<unsigned char>(image[offset + i])} << (8 * i);
    return value;
}

struct section {
    std::uint32_t virtual_address;
    std::uint32_t virtual_size;
    std::uint32_t raw_size;
    std::uint32_t raw_offset;
};

class pe_image {
public:
    explicit pe_image(std::string_view image) : image_(image)
    {
        if (read(image, 0, 2) != 0x5A4D) // "MZ"
            throw pe_error("not a Windows executable");
        const std::uint32_t pe = read(image, 0x3C, 4);
        if (read(image, pe, 4) != 0x00004550) // "PE\0\0"
            throw pe_error("no PE header");
        const std::uint32_t sections = read(image, pe + 6, 2);
        const std::uint32_t optional_size = read(image, pe + 20, 2);
        const std::size_t optional = pe + 24;
        const std::uint32_t magic = read(image, optional, 2);
        if (magic != 0x10B && magic != 0x20B)
            throw pe_error("unknown optional header");
        const std::size_t directories = optional + (magic == 0x10B ? 96 : 112);
        const std::uint32_t directory_count = read(image, optional + (magic == 0x10B ? 92 : 108), 4);
        if (directory_count <= 2)
            throw pe_error("the image has no resources");
        resource_rva_ = read(image, directories + 2 * 8, 4);
        if (resource_rva_ == 0)
            throw pe_error("the image has no resources");
        const std::size_t table = optional + optional_size;
        for (std::uint32_t i = 0; i < sections; ++i) {
            const std::size_t at = table + 40 * i;
            sections_.push_back({read(image, at + 12, 4), read(image, at + 8, 4), read(image, at + 16, 4),
                                 read(image, at + 20, 4)});
        }
        resource_offset_ = file_offset(resource_rva_, 16);
    }

    // The file offset of `size` bytes at a relative virtual address.
    std::size_t file_offset(std::uint32_t rva, std::uint32_t size) const
    {
        for (const section& s : sections_) {
            if (rva >= s.virtual_address && rva - s.virtual_address < s.raw_size) {
                const std::uint32_t within = rva - s.virtual_address;
                if (size > s.raw_size - within)
                    break;
                const std::size_t offset = std::size_t{s.raw_offset} + within;
                if (offset > image_.size() || image_.size() - offset < size)
                    break;
                return offset;
            }
        }
        throw pe_error("a resource lies outside the image");
    }

    // The entry of a resource directory with a numeric id, or the first one when `id` is 0.
    std::uint32_t find(std::uint32_t directory, std::uint32_t id) const
    {
        const std::size_t at = resource_offset_ + directory;
        const std::uint32_t named = read(image_, at + 12, 2);
        const std::uint32_t numbered = read(image_, at + 14, 2);
        for (std::uint32_t i = 0; i < named + numbered; ++i) {
            const std::size_t entry = at + 16 + 8 * i;
            const std::uint32_t entry_name = read(image_, entry, 4);
            if (id == 0 || entry_name == id)
                return read(image_, entry + 4, 4);
        }
        throw pe_error("resource not found");
    }

    std::string_view resource(unsigned type, unsigned name) const
    {
        constexpr std::uint32_t subdirectory = 0x80000000u;
        std::uint32_t level = find(0, type);
        if (!(level & subdirectory))
            throw pe_error("malformed resource directory");
        level = find(level & ~subdirectory, name);
        if (!(level & subdirectory))
            throw pe_error("malformed resource directory");
        const std::uint32_t data = find(level & ~subdirectory, 0);
        if (data & subdirectory)
            throw pe_error("malformed resource directory");
        const std::size_t entry = resource_offset_ + data;
        const std::uint32_t rva = read(image_, entry, 4);
        const std::uint32_t size = read(image_, entry + 4, 4);
        return image_.substr(file_offset(rva, size), size);
    }

private:
    std::string_view image_;
    std::vector<section> sections_;
    std::uint32_t resource_rva_ = 0;
    std::size_t resource_offset_ = 0;
};

} // namespace

std::string_view find_pe_resource(std::string_view image, unsigned type, unsigned name)
{
    return pe_image(image).resource(type, name);
}

} // namespace tools
