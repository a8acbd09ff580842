// Image building: the raw sensor lines of one acquisition become the pixel rows of
// the 8-bit bitmap, and the display table is left for the next live preview.
//
// Order: flat field per image section (with dead positions and seam sums), half
// balancing, seam filling, line spike repair, display table, line normalisation,
// transposition. The adaptation's own post-processing follows in the driver.
#pragma once

#include <cstdint>

#include "acquisition/image/display_table.h"
#include "acquisition/image/flat_field.h"
#include "acquisition/image/image_types.h"
#include "acquisition/image/mask.h"
#include "common/acquisition_record.h"

namespace np::image {

struct ImageSettings {
    std::uint32_t post_process = 0;  // "PostProcess" bits
    int image_type = 1;              // "TypePano"
    int lines_out_of_histogram = 0;  // "LigneHorsHisto"
    TransferMode mode = TransferMode::bits10;
    bool mirrored = false;  // what bHaveToMirror answered
};

// Lines 0 .. n - 1 feed the display table: section 0's width less "LigneHorsHisto",
// none when below 1, never more than the image holds.
int histogram_lines(const AcquisitionRecord& record, int lines_out_of_histogram, int image_lines);

// Writes display table[sample] of raw line l, sample s to display row s (stored row
// 1243 - s) and column L - 1 - l: the first line acquired is the right edge.
void transpose_into(PixelRows rows, RawImage raw, const DisplayTable& table, int top);

// The whole build. The raw image is modified in place; rows receive L x 1244 pixels
// (padding bytes are left as they are); the display table is returned through `table`.
void build_image(RawImage raw, const AcquisitionRecord& record, const FlatFieldMask& mask,
                 const ImageSettings& settings, PixelRows rows, DisplayTable& table);

}  // namespace np::image
