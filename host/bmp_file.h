// Files the sample host writes from what the driver hands it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace np::host {

// A packed device-independent bitmap (header, palette, rows) as a .bmp file: the
// 14-byte file header in front, the pixels right after the palette.
// Empty when the block is too short to hold its own header.
std::vector<std::uint8_t> bmp_file_from_dib(const std::uint8_t* block, std::size_t size);

// The layout of the driver's raw dumps: u32 1244, u32 lines, the samples.
std::vector<std::uint8_t> raw_dump(const std::uint16_t* samples, int lines);

}  // namespace np::host
