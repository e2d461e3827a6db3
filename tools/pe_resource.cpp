#include "tools/pe_resource.h"

#include <cstdint>

#include "tools/pe_image.h"

namespace tools {
namespace {

constexpr unsigned resource_directory = 2;

class resource_reader {
public:
    explicit resource_reader(std::string_view image) : image_(image)
    {
        const pe_image::directory resources = image_.data_directory(resource_directory);
        if (resources.rva == 0)
            throw pe_error("the image has no resources");
        offset_ = image_.file_offset(resources.rva, 16);
    }

    // The entry of a resource directory with a numeric id, or the first one when `id` is 0.
    std::uint32_t find(std::uint32_t directory, std::uint32_t id) const
    {
        const std::size_t at = offset_ + directory;
        const std::uint32_t named = read_le(image_.bytes(), at + 12, 2);
        const std::uint32_t numbered = read_le(image_.bytes(), at + 14, 2);
        for (std::uint32_t i = 0; i < named + numbered; ++i) {
            const std::size_t entry = at + 16 + 8 * std::size_t{i};
            const std::uint32_t entry_name = read_le(image_.bytes(), entry, 4);
            if (id == 0 || entry_name == id)
                return read_le(image_.bytes(), entry + 4, 4);
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
        const std::size_t entry = offset_ + data;
        const std::uint32_t rva = read_le(image_.bytes(), entry, 4);
        const std::uint32_t size = read_le(image_.bytes(), entry + 4, 4);
        return image_.bytes().substr(image_.file_offset(rva, size), size);
    }

private:
    pe_image image_;
    std::size_t offset_ = 0;
};

} // namespace

std::string_view find_pe_resource(std::string_view image, unsigned type, unsigned name)
{
    return resource_reader(image).resource(type, name);
}

} // namespace tools
