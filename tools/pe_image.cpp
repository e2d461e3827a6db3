#include "tools/pe_image.h"

namespace tools {

std::uint32_t read_le(std::string_view image, std::size_t offset, int width)
{
    if (offset > image.size() || image.size() - offset < static_cast<std::size_t>(width))
        throw pe_error("the image is cut short");
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i)
        value |= std::uint32_t{static_cast<unsigned char>(image[offset + i])} << (8 * i);
    return value;
}

pe_image::pe_image(std::string_view image) : image_(image)
{
    if (read_le(image, 0, 2) != 0x5A4D) // "MZ"
        throw pe_error("not a Windows executable");
    const std::uint32_t pe = read_le(image, 0x3C, 4);
    if (read_le(image, pe, 4) != 0x00004550) // "PE\0\0"
        throw pe_error("no PE header");
    const std::uint32_t sections = read_le(image, std::size_t{pe} + 6, 2);
    const std::uint32_t optional_size = read_le(image, std::size_t{pe} + 20, 2);
    const std::size_t optional = std::size_t{pe} + 24;
    magic_ = read_le(image, optional, 2);
    if (magic_ != 0x10B && magic_ != 0x20B)
        throw pe_error("unknown optional header");
    directories_ = optional + (magic_ == 0x10B ? 96 : 112);
    directory_count_ = read_le(image, optional + (magic_ == 0x10B ? 92 : 108), 4);
    const std::size_t table = optional + optional_size;
    for (std::uint32_t i = 0; i < sections; ++i) {
        const std::size_t at = table + 40 * std::size_t{i};
        sections_.push_back({read_le(image, at + 12, 4), read_le(image, at + 8, 4), read_le(image, at + 16, 4),
                             read_le(image, at + 20, 4)});
    }
}

pe_image::directory pe_image::data_directory(unsigned index) const
{
    if (index >= directory_count_)
        return {};
    return {read_le(image_, directories_ + 8 * std::size_t{index}, 4),
            read_le(image_, directories_ + 8 * std::size_t{index} + 4, 4)};
}

std::size_t pe_image::file_offset(std::uint32_t rva, std::uint32_t size) const
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
    throw pe_error("a table lies outside the image");
}

} // namespace tools
