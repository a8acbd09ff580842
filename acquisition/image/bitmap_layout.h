// The packed 8-bit grey bitmap handed to the host (and used for the live preview):
// a 40-byte header, 256 grey palette entries, bottom-up rows padded to 4 bytes and
// one spare byte at the end of the block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "acquisition/image/image_types.h"

namespace np::image {

#pragma pack(push, 1)
struct BitmapHeader {
    std::uint32_t size;
    std::int32_t width;
    std::int32_t height;  // positive: rows stored bottom-up
    std::uint16_t planes;
    std::uint16_t bit_count;
    std::uint32_t compression;
    std::uint32_t size_image;
    std::int32_t x_pels_per_meter;
    std::int32_t y_pels_per_meter;
    std::uint32_t colours_used;
    std::uint32_t colours_important;
};

struct PaletteEntry {
    std::uint8_t blue;
    std::uint8_t green;
    std::uint8_t red;
    std::uint8_t reserved;
};
#pragma pack(pop)

static_assert(sizeof(BitmapHeader) == 40);
static_assert(offsetof(BitmapHeader, width) == 4);
static_assert(offsetof(BitmapHeader, height) == 8);
static_assert(offsetof(BitmapHeader, planes) == 12);
static_assert(offsetof(BitmapHeader, bit_count) == 14);
static_assert(offsetof(BitmapHeader, size_image) == 20);
static_assert(offsetof(BitmapHeader, colours_important) == 36);
static_assert(sizeof(PaletteEntry) == 4);

inline constexpr int kPaletteEntries = 256;
inline constexpr std::size_t kPixelOffset =
    sizeof(BitmapHeader) + kPaletteEntries * sizeof(PaletteEntry);

constexpr int row_stride(int width) {
    return (width + 3) & ~3;
}

// Header, palette, rows and the spare byte.
constexpr std::size_t bitmap_block_size(int width, int height) {
    return kPixelOffset + static_cast<std::size_t>(row_stride(width)) * height + 1;
}

// Writes header and palette at the start of a zeroed block of bitmap_block_size bytes.
void write_bitmap_header(std::uint8_t* block, int width, int height);

inline PixelRows bitmap_rows(std::uint8_t* block, int width) {
    return {block + kPixelOffset, row_stride(width)};
}

// A logo read from a device-dependent bitmap: rows top-down, bytes_per_pixel bytes
// a pixel, rows row_bytes apart.
struct LogoPixels {
    const std::uint8_t* bits;
    int width;
    int height;
    int row_bytes;
    int bytes_per_pixel;
};

// Inverts the image under every white logo pixel; the logo's top row lands on the
// bottom stored row, right-aligned. Nothing when the logo is wider than the image.
void stamp_logo(PixelRows rows, int width, int height, const LogoPixels& logo);

}  // namespace np::image
