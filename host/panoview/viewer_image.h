// What the viewer does with a delivered bitmap, free of Win32: the pixels as a
// raster for PNG files, and where a picture goes in the window.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "host/panoview/png_file.h"

namespace np::panoview {

// The pixels of a packed 8-bit DIB (header, colour table, rows), top row first, grey
// when every colour of the table is grey (the driver's images), else RGB. nullopt
// when the block is not such a bitmap or is shorter than its header says.
std::optional<RasterImage> raster_from_packed_dib(std::span<const std::uint8_t> packed);

struct Box {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Box&) const = default;
};

// The largest box of the picture's proportions inside `area`, centred in it.
Box fit_picture(const Box& area, int picture_width, int picture_height);

}  // namespace np::panoview
