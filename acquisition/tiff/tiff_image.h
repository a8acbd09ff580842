// What the selected directory says about the image, and how one stored row becomes a row of
// 8-bit grey.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "acquisition/tiff/byte_source.h"
#include "acquisition/tiff/tiff_directory.h"
#include "acquisition/tiff/tiff_status.h"

namespace np::tiff {

// Any other number is kept as `unsupported` and refused when the rows are read.
enum class Compression : uint16_t { none = 1, lzw = 5, jpeg = 6, unsupported = 0xFFFF };

enum class SampleLayout {
    grey,  // one sample per pixel
    rgb,   // three samples per pixel, chunky
};

struct ImageLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    Compression compression = Compression::none;
    SampleLayout layout = SampleLayout::grey;
    std::array<uint32_t, 3> bits{};  // per sample; bits[0] only for grey
    uint32_t bits_per_pixel = 0;
    bool white_is_zero = false;
    // 8-bit indices whose palette is not a grey ramp: the luma of each entry.
    bool palette = false;
    std::array<uint8_t, 256> palette_grey{};
    bool predictor = false;  // horizontal differencing
    uint64_t bytes_per_row = 0;
};

// Reads width, height, compression, bits per pixel and the sample arrangement. -4 for an
// image the reader cannot render correctly, -2 when a value lies outside the file. An
// unsupported compression is not judged here: there is nothing to render.
TiffStatus describe_image(ByteSource& file, const Directory& dir, ImageLayout& image);

// Converts one stored row (bytes_per_row bytes) into `width` grey levels.
void grey_row(const ImageLayout& image, std::span<const uint8_t> stored, std::span<uint8_t> grey);

// Undoes horizontal differencing on one stored row in place.
void undo_predictor(const ImageLayout& image, std::span<uint8_t> row);

}  // namespace np::tiff
