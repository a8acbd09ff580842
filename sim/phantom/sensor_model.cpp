#include "sim/phantom/sensor_model.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sim/phantom/random.h"

namespace np::phantom {

SensorModel make_sensor_model(int sample_range, std::uint32_t seed) {
    SensorModel model;
    model.sample_range = sample_range;
    const int scale = sample_range / 1024;
    model.dark_offsets = {static_cast<std::uint16_t>(40 * scale),
                          static_cast<std::uint16_t>(55 * scale)};
    SplitMix random(seed * 7919u + 17u);
    const double phase = random.uniform() * 6.283;
    model.gains.resize(kSamplesPerLine);
    for (int s = 0; s < kSamplesPerLine; ++s) {
        const double gain = 1.0 + 0.33 * std::sin(6.283 * s / 311.0 + phase) +
                            0.12 * std::sin(6.283 * s / 37.0) + 0.03 * (random.uniform() - 0.5);
        model.gains[s] = static_cast<float>(std::clamp(gain, 0.5, 1.5));
    }
    model.dead_positions = {133, 400, 401, 902, 903, 904, 1100};
    for (int s : model.dead_positions)
        model.gains[s] = 0.0f;
    return model;
}

std::vector<std::uint8_t> mask_file_bytes(const SensorModel& model, const std::string& serial) {
    MaskFileLayout layout{};
    std::memcpy(layout.serial, serial.data(), std::min(serial.size(), sizeof(layout.serial)));
    layout.dark_offsets[0] = model.dark_offsets[0];
    layout.dark_offsets[1] = model.dark_offsets[1];
    std::copy(model.gains.begin(), model.gains.end(), layout.gains);
    std::vector<std::uint8_t> bytes(sizeof(layout));
    std::memcpy(bytes.data(), &layout, sizeof(layout));
    return bytes;
}

}  // namespace np::phantom
