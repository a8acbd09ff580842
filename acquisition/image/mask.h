// The flat-field mask: the part of "PANO.MSK" that follows its 20-byte cassette
// header, in the file's own layout (two dark offsets, then one gain per position).
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/sensor_lines.h"

namespace np::image {

#pragma pack(push, 1)
struct FlatFieldMask {
    std::uint16_t dark_offset[2];  // first sensor half (below the seam), second half
    float gain[kSamplesPerLine];   // below 0.01: dead position
};
#pragma pack(pop)

static_assert(sizeof(FlatFieldMask) == 4980);
static_assert(offsetof(FlatFieldMask, dark_offset) == 0);
static_assert(offsetof(FlatFieldMask, gain) == 4);

// A gain below this marks a dead sample position.
inline constexpr double kDeadGain = 0.01;

}  // namespace np::image
