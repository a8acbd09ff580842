// The sensor the phantom is "seen" through: dark offsets of the two halves and a
// gain per sample position, some of them dead. Its mask file is what the driver
// needs to undo exactly this sensor.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/sensor_lines.h"

namespace np::phantom {

#pragma pack(push, 1)
struct MaskFileLayout {
    char serial[20];  // "AB" + 2 characters + decimal number, NUL padded
    std::uint16_t dark_offsets[2];
    float gains[kSamplesPerLine];
};
#pragma pack(pop)
static_assert(sizeof(MaskFileLayout) == 5000);
static_assert(offsetof(MaskFileLayout, dark_offsets) == 20);
static_assert(offsetof(MaskFileLayout, gains) == 24);

inline constexpr const char* kMaskFileName = "PANO.MSK";
inline constexpr const char* kPhantomCassette = "OX-K04711";

struct SensorModel {
    int sample_range = 1024;  // M: 1024 (10-bit) or 4096 (12-bit)
    std::array<std::uint16_t, 2> dark_offsets{};
    std::vector<float> gains;  // image-ordered positions; below 0.01: dead
    std::vector<int> dead_positions;
};

// Gains between 0.5 and 1.5, a few isolated dead positions and dead runs of 2 and 3,
// none next to the seam or the line ends.
SensorModel make_sensor_model(int sample_range, std::uint32_t seed = 1);

// The "PANO.MSK" bytes for this sensor.
std::vector<std::uint8_t> mask_file_bytes(const SensorModel& model,
                                          const std::string& serial = kPhantomCassette);

}  // namespace np::phantom
