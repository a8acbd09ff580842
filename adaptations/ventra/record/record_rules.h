// What the unit's acquisition record means to the driver: timing by section count,
// the exposure time's rounding, the pixel size, the TMJ combination and the
// recombination of the four TMJ views in the finished image.
#pragma once

#include <cstdint>
#include <span>

#include "common/acquisition_record.h"

namespace np::ventra {

// Writes the gaps before each image section and returns the time-out units.
int transfer_timing(int section_count, std::span<int, kMaxSections> gaps);

float rounded_exposure_time(float seconds);  // to the nearest 0.1 s

inline constexpr double kPixelSize = 0.104 / 1.27;
inline constexpr int kTwoViewTmj = 187;
inline constexpr int kFourViewTmj = 188;
inline int combined_program(int first, int second) {
    return first == kTwoViewTmj && second == kTwoViewTmj ? kFourViewTmj : 0;
}

// An 8-bit image: rows `stride` bytes apart.
struct ImageRows {
    std::uint8_t* pixels;
    int width, height, stride;
};

// Rotates the three right-hand views of a four-view TMJ image one place and
// clears the gaps between them, rewriting the record's sections 1 to 3 to match.
// Records whose sections do not fit the image are left alone, with the image.
void recombine_four_views(ImageRows image, AcquisitionRecord& record);

}  // namespace np::ventra
