// The same build gives the same bytes in the native tree and in the Windows modules:
// a deterministic scene through every step, hashed. Built and run in both trees.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "acquisition/image/bitmap_layout.h"
#include "acquisition/image/image_build.h"

namespace np::image {
namespace {

// A small linear congruential generator: the same sequence on every compiler.
struct Sequence {
    std::uint32_t state;
    std::uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

std::uint64_t fnv1a(const std::uint8_t* bytes, std::size_t size,
                    std::uint64_t hash = 14695981039346656037ull) {
    for (std::size_t i = 0; i < size; ++i)
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

std::uint64_t golden_build(TransferMode mode, int image_type, bool mirrored) {
    Sequence random{12345};
    FlatFieldMask mask{};
    mask.dark_offset[0] = 31;
    mask.dark_offset[1] = 47;
    for (float& g : mask.gain)
        g = 0.6f + static_cast<float>(random.next() % 100000) / 100000.0f * 0.9f;
    for (int s : {20, 21, 22, 23, 24, 300, 301, 302, 700, 1100})
        mask.gain[s] = 0.0f;

    const int lines = 260;
    const int top = full_scale(mode) - 1;
    std::vector<std::uint16_t> raw(static_cast<std::size_t>(lines) * kSamplesPerLine);
    for (int l = 0; l < lines; ++l)
        for (int s = 0; s < kSamplesPerLine; ++s) {
            const int base = (top / 3) + (s * 5 + l * 3) % (top / 2);
            const int spike = l == 120 ? -top / 4 : 0;
            raw[static_cast<std::size_t>(l) * kSamplesPerLine + s] = static_cast<std::uint16_t>(
                std::max(1, base + spike + static_cast<int>(random.next() % 40)));
        }
    AcquisitionRecord record{};
    record.program = 9;
    record.section_count = 2;
    record.sections[0] = {0, 150};
    record.sections[1] = {200, 60};
    ImageSettings settings;
    settings.post_process = 0x1F;
    settings.image_type = image_type;
    settings.lines_out_of_histogram = 20;
    settings.mode = mode;
    settings.mirrored = mirrored;

    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(row_stride(lines)) * kSamplesPerLine,
                                     0);
    DisplayTable table{};
    build_image({raw.data(), lines}, record, mask, settings, {pixels.data(), row_stride(lines)},
                table);
    return fnv1a(table.data(), table.size(), fnv1a(pixels.data(), pixels.size()));
}

TEST(GoldenBuild, SameBytesOnEveryTarget) {
    EXPECT_EQ(golden_build(TransferMode::bits12, 0, false), 4591897639485206258ull);
    EXPECT_EQ(golden_build(TransferMode::bits10, 1, true), 14863774008460290251ull);
}

}  // namespace
}  // namespace np::image
