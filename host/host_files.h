// What the sample host writes to disk: BMP files from packed bitmaps, raw images in
// the layout of the driver's raw dumps, and its command line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace np::host {

// Size in bytes of the packed bitmap (header, colour table, pixel rows) that starts
// at `packed`, computed from its header; nullopt when the header is not a plausible
// 8-bit bitmap or claims more than `available` bytes.
std::optional<std::size_t> packed_bitmap_size(std::span<const std::uint8_t> packed);

// A complete .bmp file: the 14-byte file header followed by the packed bitmap.
std::vector<std::uint8_t> bmp_file(std::span<const std::uint8_t> packed);

// u32 samples per line (1244), u32 line count, then the lines of 16-bit samples.
std::vector<std::uint8_t> raw_image_file(const std::uint16_t* samples, std::uint32_t lines);

struct Options {
    std::string driver = "Scanlink.dll";
    int count = 1;
    std::string out_dir;  // empty: a folder beside the program
    int host_code = 0;
};

// Parses --driver NAME, --count N, --out DIR, --host-code N; nullopt on any error.
std::optional<Options> parse_options(const std::vector<std::string>& args);

}  // namespace np::host
