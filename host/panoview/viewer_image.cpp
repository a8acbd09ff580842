#include "host/panoview/viewer_image.h"

#include "host/host_files.h"

namespace np::panoview {
namespace {

std::uint32_t read_u32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

std::optional<RasterImage> raster_from_packed_dib(std::span<const std::uint8_t> packed) {
    if (!host::packed_bitmap_size(packed) || read_u32(packed.data() + 16) != 0)  // BI_RGB only
        return std::nullopt;
    const std::uint32_t header_size = read_u32(packed.data());
    const auto width = static_cast<std::int32_t>(read_u32(packed.data() + 4));
    const auto stored_height = static_cast<std::int32_t>(read_u32(packed.data() + 8));
    const std::uint32_t colours = read_u32(packed.data() + 32) ? read_u32(packed.data() + 32) : 256;
    if (colours > 256) return std::nullopt;
    const bool bottom_up = stored_height > 0;
    const int height = bottom_up ? stored_height : -stored_height;

    const std::uint8_t* table = packed.data() + header_size;  // B, G, R, reserved
    bool grey = true;
    for (std::uint32_t k = 0; k < colours; ++k)
        grey &= table[4 * k] == table[4 * k + 1] && table[4 * k + 1] == table[4 * k + 2];

    RasterImage image;
    image.width = width;
    image.height = height;
    image.colour = grey ? PngColour::grey : PngColour::rgb;
    const std::size_t stride = (std::size_t(width) + 3) & ~std::size_t{3};
    const std::uint8_t* rows = table + 4 * colours;
    image.pixels.reserve(std::size_t(width) * height * (grey ? 1 : 3));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = rows + stride * (bottom_up ? height - 1 - y : y);
        for (int x = 0; x < width; ++x) {
            // An index beyond the table reads as black, as Windows draws it.
            const std::uint8_t* colour = row[x] < colours ? table + 4 * row[x] : nullptr;
            if (grey) {
                image.pixels.push_back(colour ? colour[2] : 0);
            } else {
                for (int c = 2; c >= 0; --c)
                    image.pixels.push_back(colour ? colour[c] : 0);
            }
        }
    }
    return image;
}

Box fit_picture(const Box& area, int picture_width, int picture_height) {
    if (area.width <= 0 || area.height <= 0 || picture_width <= 0 || picture_height <= 0)
        return {area.left, area.top, 0, 0};
    Box box;
    // Compare the proportions without rounding: width / height against the area's.
    if (std::int64_t{picture_width} * area.height >= std::int64_t{area.width} * picture_height) {
        box.width = area.width;
        box.height = static_cast<int>(std::int64_t{area.width} * picture_height / picture_width);
    } else {
        box.height = area.height;
        box.width = static_cast<int>(std::int64_t{area.height} * picture_width / picture_height);
    }
    box.left = area.left + (area.width - box.width) / 2;
    box.top = area.top + (area.height - box.height) / 2;
    return box;
}

}  // namespace np::panoview
