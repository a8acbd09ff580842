// Decoding the selected image row by row, as 8-bit grey.
#pragma once

#include <cstdint>
#include <span>

#include "acquisition/tiff/byte_source.h"
#include "acquisition/tiff/tiff_directory.h"
#include "acquisition/tiff/tiff_image.h"
#include "acquisition/tiff/tiff_status.h"

namespace np::tiff {

// Strips read per image at most.
inline constexpr uint32_t kMaxStrips = 1024;
// Largest decoded strip held in memory (a 4000-pixel RGB strip of some 5600 rows).
inline constexpr uint64_t kMaxStripBytes = 64ull << 20;

class RowHandler {
  public:
    virtual ~RowHandler() = default;
    // Row y from the top of the image, `width` grey levels.
    virtual void row(uint32_t y, std::span<const uint8_t> grey) = 0;
};

// Hands every row from `first_row` down to the bottom to the handler (rows above it are
// not needed; strips that hold only such rows are not read).
TiffStatus decode_image(ByteSource& file, const Directory& dir, const ImageLayout& image,
                        uint32_t first_row, RowHandler& rows);

// The two ways an image is stored.
TiffStatus decode_strips(ByteSource& file, const Directory& dir, const ImageLayout& image,
                         uint32_t first_row, RowHandler& rows);
TiffStatus decode_jpeg(ByteSource& file, const Directory& dir, const ImageLayout& image,
                       uint32_t first_row, RowHandler& rows);

}  // namespace np::tiff
