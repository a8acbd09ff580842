// Builders shared by the image building tests.
#pragma once

#include <cstdint>
#include <vector>

#include "acquisition/image/image_types.h"
#include "acquisition/image/mask.h"
#include "common/acquisition_record.h"

namespace np::image::testing {

struct Lines {
    std::vector<std::uint16_t> samples;
    int count;

    Lines(int lines, std::uint16_t value)
        : samples(static_cast<std::size_t>(lines) * kSamplesPerLine, value), count(lines) {}
    std::uint16_t* line(int l) {
        return samples.data() + static_cast<std::size_t>(l) * kSamplesPerLine;
    }
    std::uint16_t& at(int l, int s) { return line(l)[s]; }
    RawImage raw() { return {samples.data(), count}; }
};

inline FlatFieldMask unit_mask(std::uint16_t dark_below = 0, std::uint16_t dark_above = 0) {
    FlatFieldMask mask{};
    mask.dark_offset[0] = dark_below;
    mask.dark_offset[1] = dark_above;
    for (float& g : mask.gain)
        g = 1.0f;
    return mask;
}

inline AcquisitionRecord one_section(int start, int width, std::uint8_t program = 1) {
    AcquisitionRecord record{};
    record.program = program;
    record.section_count = 1;
    record.sections[0] = {static_cast<std::int16_t>(start), static_cast<std::int16_t>(width)};
    return record;
}

}  // namespace np::image::testing
