// PNG files for the sample viewer: 8-bit grey or RGB, compressed with a small
// fixed-code deflate (no library to ship beside a host).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace np::panoview {

enum class PngColour : std::uint8_t { grey = 0, rgb = 2 };

struct RasterImage {
    int width = 0;
    int height = 0;
    PngColour colour = PngColour::grey;
    std::vector<std::uint8_t> pixels;  // rows top first, 1 or 3 bytes per pixel, no padding
};

// The zlib stream (RFC 1950/1951) of `data`.
std::vector<std::uint8_t> zlib_compress(std::span<const std::uint8_t> data);

// The whole .png file; empty when the image is empty or its pixels do not fit its size.
std::vector<std::uint8_t> png_file(const RasterImage& image);

}  // namespace np::panoview
