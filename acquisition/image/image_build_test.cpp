#include "acquisition/image/image_build.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "acquisition/image/bitmap_layout.h"
#include "acquisition/image/test_support.h"

namespace np::image {
namespace {

using testing::Lines;
using testing::one_section;
using testing::unit_mask;

struct Pixels {
    int width;
    std::vector<std::uint8_t> bytes;

    explicit Pixels(int w)
        : width(w), bytes(static_cast<std::size_t>(row_stride(w)) * kSamplesPerLine, 0xEE) {}
    PixelRows rows() { return {bytes.data(), row_stride(width)}; }
    // Display row (from the top) and column.
    std::uint8_t at(int display_row, int column) const {
        return bytes[static_cast<std::size_t>(kSamplesPerLine - 1 - display_row) *
                         row_stride(width) +
                     column];
    }
};

TEST(Transposition, FirstLineRightSampleZeroTop) {
    Lines lines(5, 0);
    for (int l = 0; l < 5; ++l)
        for (int s = 0; s < kSamplesPerLine; ++s)
            lines.at(l, s) = static_cast<std::uint16_t>(l * 100 + s % 7);
    lines.at(3, 9) = 60000;  // beyond the table: the top value's entry
    DisplayTable table{};
    for (int i = 0; i < kTableSize; ++i)
        table[i] = static_cast<std::uint8_t>(i % 251);
    Pixels pixels(5);
    transpose_into(pixels.rows(), lines.raw(), table, 1023);
    for (int l = 0; l < 5; ++l)
        for (int s = 0; s < kSamplesPerLine; ++s)
            if (!(l == 3 && s == 9)) {
                ASSERT_EQ(pixels.at(s, 4 - l), table[l * 100 + s % 7]) << l << "," << s;
            }
    EXPECT_EQ(pixels.at(9, 1), table[1023]);
    for (int r = 0; r < kSamplesPerLine; ++r)
        for (int c = 5; c < 8; ++c)
            ASSERT_EQ(pixels.bytes[r * 8 + c], 0xEE) << "padding untouched";
}

TEST(HistogramLines, FirstSectionLessTheLinesLeftOut) {
    const AcquisitionRecord record = one_section(0, 500);
    EXPECT_EQ(histogram_lines(record, 20, 2700), 480);
    EXPECT_EQ(histogram_lines(record, 500, 2700), 0);
    EXPECT_EQ(histogram_lines(record, 900, 2700), 0);
    EXPECT_EQ(histogram_lines(record, -100, 2700), 600);
    EXPECT_EQ(histogram_lines(record, 0, 300), 300);  // never past the image
}

TEST(BuildImage, NoPostProcessingOnlyFlatFieldDeadPositionsAndSeamMean) {
    FlatFieldMask mask = unit_mask(0, 0);  // corrected(v) = v
    mask.gain[200] = 0.0f;
    Lines lines(6, 0);
    for (int l = 0; l < 6; ++l)
        for (int s = 0; s < kSamplesPerLine; ++s)
            lines.at(l, s) = static_cast<std::uint16_t>(4 * ((l + s) % 200) + 1);
    const auto before = lines.samples;
    AcquisitionRecord record = one_section(0, 6, 0);  // plain scale
    DisplayTable table{};
    Pixels pixels(6);
    build_image(lines.raw(), record, mask, {}, pixels.rows(), table);
    EXPECT_EQ(table, plain_scale_table(1024));
    for (int l = 0; l < 6; ++l) {
        const auto v = [&](int s) { return before[l * kSamplesPerLine + s]; };
        for (int s = 0; s < kSamplesPerLine; ++s) {
            int expected = v(s);
            if (s == 200) expected = static_cast<int>((v(199) + v(201)) * 0.5 + 0.5);
            if (s == kSeam) expected = static_cast<int>((v(kSeam - 1) + v(kSeam + 1)) * 0.5 + 0.5);
            ASSERT_EQ(lines.at(l, s), expected) << l << "," << s;
            ASSERT_EQ(pixels.at(s, 5 - l), expected / 4) << l << "," << s;
        }
    }
}

TEST(BuildImage, SectionsPastTheBufferAreClipped) {
    // Run under the sanitizers: a record that points past the image must not lead
    // the flat field outside the buffer.
    Lines lines(50, 700);
    AcquisitionRecord record = one_section(0, 30);
    record.section_count = 3;
    record.sections[1] = {40, 500};
    record.sections[2] = {32000, 500};
    DisplayTable table{};
    Pixels pixels(50);
    ImageSettings settings;
    settings.post_process = 0x1F & ~post_process::kLineNormalisation;
    build_image(lines.raw(), record, unit_mask(10, 10), settings, pixels.rows(), table);
    EXPECT_EQ(lines.at(49, 0), 710);
    EXPECT_EQ(lines.at(35, 0), 700);
}

}  // namespace
}  // namespace np::image
