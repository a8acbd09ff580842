#include "acquisition/image/bitmap_layout.h"

#include <algorithm>
#include <cstring>

namespace np::image {

void write_bitmap_header(std::uint8_t* block, int width, int height) {
    BitmapHeader header{};
    header.size = sizeof(BitmapHeader);
    header.width = width;
    header.height = height;
    header.planes = 1;
    header.bit_count = 8;
    header.size_image = static_cast<std::uint32_t>(row_stride(width)) * height;
    std::memcpy(block, &header, sizeof header);
    for (int i = 0; i < kPaletteEntries; ++i) {
        const auto level = static_cast<std::uint8_t>(i);
        const PaletteEntry entry{level, level, level, 0};
        std::memcpy(block + sizeof header + i * sizeof entry, &entry, sizeof entry);
    }
}

void stamp_logo(PixelRows rows, int width, int height, const LogoPixels& logo) {
    constexpr std::uint8_t kWhite = 255;
    if (logo.width > width || logo.width <= 0 || logo.bytes_per_pixel <= 0) return;
    const int first_column = width - logo.width;
    const int logo_rows = std::min(logo.height, height);
    for (int r = 0; r < logo_rows; ++r) {
        const std::uint8_t* source = logo.bits + static_cast<std::ptrdiff_t>(r) * logo.row_bytes;
        std::uint8_t* target =
            rows.bits + static_cast<std::ptrdiff_t>(r) * rows.stride + first_column;
        for (int x = 0; x < logo.width; ++x) {
            if (source[x * logo.bytes_per_pixel] != kWhite) continue;
            target[x] = target[x] < 128 ? 255 : 0;
        }
    }
}

}  // namespace np::image
