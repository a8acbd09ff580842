#include "acquisition/image/flat_field.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "acquisition/image/test_support.h"

namespace np::image {
namespace {

using testing::Lines;
using testing::one_section;
using testing::unit_mask;

TEST(Corrector, AppliesOffsetOfEachHalfAndGain) {
    FlatFieldMask mask = unit_mask(23, 40);
    mask.gain[10] = 1.25f;
    mask.gain[700] = 0.5f;
    const Corrector ten(mask, TransferMode::bits10, false);
    // O_A = 1000: 1023 - trunc(600 x 1.25 + 0.5) = 273
    EXPECT_EQ(ten(400, 10), 273);
    // O_B = 983: 1023 - trunc(583 x 0.5 + 0.5) = 1023 - 292 = 731
    EXPECT_EQ(ten(400, 700), 731);
    // Values above O give negative products, truncated toward zero, then limited.
    EXPECT_EQ(ten(1010, 10), 1023);
    EXPECT_EQ(ten(1, 10), 0);
    // The seam position belongs to the second half; mirrored the seam moves up one.
    EXPECT_EQ(ten.offset(620), 1000);
    EXPECT_EQ(ten.offset(621), 983);
    const Corrector mirrored(mask, TransferMode::bits12, true);
    EXPECT_EQ(mirrored.offset(621), 4095 - 23);
    EXPECT_EQ(mirrored.offset(622), 4095 - 40);
    EXPECT_EQ(mirrored.top(), 4095);
}

// The reference: product in single precision, rounding term added in double.
int reference_corrected(int v, int offset, float gain, int top) {
    const double scaled = static_cast<float>(offset - v) * gain + 0.5;
    if (scaled >= top + 1) return 0;
    if (scaled <= -(top + 1)) return top;
    const int value = top - static_cast<int>(scaled);
    return value < 0 ? 0 : (value > top ? top : value);
}

TEST(Corrector, RoundsExactlyAsTheDoublePrecisionFormula) {
    FlatFieldMask mask = unit_mask(5, 9);
    mask.gain[3] = 0.49999997f;  // 1 x gain + 0.5 rounds to 1 in single precision
    mask.gain[4] = 1e30f;
    mask.gain[5] = -3.0f;
    std::mt19937 random(99);
    std::uniform_real_distribution<float> gains(0.0f, 3.0f);
    for (int s = 6; s < kSamplesPerLine; ++s)
        mask.gain[s] = gains(random);
    for (TransferMode mode : {TransferMode::bits10, TransferMode::bits12}) {
        const Corrector corrector(mask, mode, false);
        const int top = corrector.top();
        EXPECT_EQ(corrector(corrector.offset(3) - 1, 3), top);
        for (int s = 0; s < kSamplesPerLine; ++s)
            for (int v = 0; v <= top; v += 7)
                ASSERT_EQ(corrector(v, s),
                          reference_corrected(v, corrector.offset(s), mask.gain[s], top))
                    << s << "," << v;
    }
}

TEST(SectionLines, ClippedToTheImage) {
    AcquisitionRecord record = one_section(3990, 500);
    record.section_count = 3;
    record.sections[1] = {-20, 30};
    record.sections[2] = {5000, 10};
    EXPECT_EQ(section_lines(record, 0, 4000).first, 3990);
    EXPECT_EQ(section_lines(record, 0, 4000).count, 10);
    EXPECT_EQ(section_lines(record, 1, 4000).first, 0);
    EXPECT_EQ(section_lines(record, 1, 4000).count, 10);
    EXPECT_EQ(section_lines(record, 2, 4000).count, 0);
    EXPECT_EQ(section_lines(record, 3, 4000).count, 0);
    record.section_count = 40;  // never more than the record holds
    EXPECT_EQ(section_lines(record, 9, 4000).count, 0);
    EXPECT_EQ(section_lines(record, 10, 4000).count, 0);
}

TEST(FlatField, OnlySectionLinesAreCorrectedAndNeverBeyondTheBuffer) {
    FlatFieldMask mask = unit_mask(100, 100);  // O = 923: v -> v + 100
    Lines lines(60, 500);
    AcquisitionRecord record = one_section(50, 500);  // runs far past line 59
    record.section_count = 2;
    record.sections[1] = {-5, 8};  // lines 0 .. 2
    const Corrector corrector(mask, TransferMode::bits10, false);
    flat_field(lines.raw(), record, corrector, nullptr);
    for (int l = 0; l < 60; ++l) {
        const bool section = l < 3 || l >= 50;
        EXPECT_EQ(lines.at(l, 0), section ? 600 : 500) << l;
        EXPECT_EQ(lines.at(l, kSeam), 500) << "seam never corrected";
    }
}

TEST(FlatField, ZerosStayZeroAndAreNotCounted) {
    FlatFieldMask mask = unit_mask(30, 50);
    mask.gain[300] = 1.4f;
    Lines lines(4, 0);
    lines.at(1, 5) = 200;
    const Corrector corrector(mask, TransferMode::bits12, false);
    Histogram counts{};
    flat_field(lines.raw(), one_section(0, 4), corrector, &counts);
    for (int l = 0; l < 4; ++l)
        for (int s = 0; s < kSamplesPerLine; ++s)
            if (!(l == 1 && s == 5)) {
                ASSERT_EQ(lines.at(l, s), 0);
            }
    EXPECT_EQ(counts[0], 0u);
    EXPECT_EQ(counts[lines.at(1, 5)], 1u);
    EXPECT_EQ(lines.at(1, 5), 4095 - (4065 - 200));
}

TEST(FlatField, SeamSumsStartAtOne) {
    Lines lines(3, 0);
    for (int l = 0; l < 3; ++l) {
        lines.at(l, kSeam - 3) = 1;
        lines.at(l, kSeam - 2) = 2;
        lines.at(l, kSeam - 1) = 3;
        lines.at(l, kSeam + 1) = 10;
        lines.at(l, kSeam + 2) = 20;
        lines.at(l, kSeam + 3) = 30;
    }
    const Corrector corrector(unit_mask(), TransferMode::bits10, false);
    const SeamSums sums = flat_field(lines.raw(), one_section(1, 2), corrector, nullptr);
    EXPECT_DOUBLE_EQ(sums.below, 1.0 + 2 * 6);
    EXPECT_DOUBLE_EQ(sums.above, 1.0 + 2 * 60);
    const SeamSums none = flat_field(lines.raw(), one_section(0, 0), corrector, nullptr);
    EXPECT_DOUBLE_EQ(none.below, 1.0);
    EXPECT_DOUBLE_EQ(none.above, 1.0);
}

class DeadPositions : public ::testing::Test {
  protected:
    void kill(int first, int count) {
        for (int s = first; s < first + count; ++s)
            mask_.gain[s] = 0.0f;
    }
    void repair(std::uint16_t* line) {
        const Corrector corrector(mask_, TransferMode::bits12, false);
        repair_dead_positions(line, corrector, dead_positions(corrector));
    }
    FlatFieldMask mask_ = unit_mask();
    Lines lines_{1, 999};
};

TEST_F(DeadPositions, RunsOfOneToThreeAreInterpolated) {
    kill(100, 1);
    kill(200, 2);
    kill(300, 3);
    std::uint16_t* line = lines_.line(0);
    line[99] = 100, line[101] = 201;
    line[199] = 100, line[202] = 400;
    line[299] = 100, line[303] = 500;
    repair(line);
    EXPECT_EQ(line[100], 151);  // (100 + 201) / 2 + 0.5
    EXPECT_EQ(line[200], 200);  // (2a + b) / 3
    EXPECT_EQ(line[201], 300);  // (a + 2b) / 3
    EXPECT_EQ(line[300], 200);  // 3:1
    EXPECT_EQ(line[301], 300);  // 1:1
    EXPECT_EQ(line[302], 400);  // 1:3
    EXPECT_EQ(line[99], 100);
    EXPECT_EQ(line[303], 500);
}

TEST_F(DeadPositions, FilledPositionsAreExaminedAgainWithTheirNewValues) {
    kill(10, 3);
    std::uint16_t* line = lines_.line(0);
    line[9] = 0, line[13] = 3;
    // One pass alone would give 1, 2, 2. The pass at 11 (run 2, a = 1) keeps 2, 2;
    // the pass at 12 (run 1, a = 2) gives trunc(2.5 + 0.5) = 3.
    repair(line);
    EXPECT_EQ(line[10], 1);
    EXPECT_EQ(line[11], 2);
    EXPECT_EQ(line[12], 3);
}

TEST_F(DeadPositions, FourOrMoreAreClearedUpToTheNextLivePosition) {
    kill(400, 6);
    mask_.gain[406] = 0.01f;  // at most 0.01 still counts as dead while clearing
    std::uint16_t* line = lines_.line(0);
    repair(line);
    for (int s = 400; s <= 406; ++s)
        EXPECT_EQ(line[s], 0) << s;
    EXPECT_EQ(line[399], 999);
    EXPECT_EQ(line[407], 999);
}

TEST_F(DeadPositions, ClearingStopsAtTheSeam) {
    kill(kSeam - 4, 10);
    std::uint16_t* line = lines_.line(0);
    repair(line);
    for (int s = kSeam - 4; s < kSeam; ++s)
        EXPECT_EQ(line[s], 0) << s;
    EXPECT_EQ(line[kSeam], 999);
    // The seam itself is skipped; from the seam on the next dead run is cleared too.
    for (int s = kSeam + 1; s < kSeam + 6; ++s)
        EXPECT_EQ(line[s], 0) << s;
}

TEST_F(DeadPositions, NoInterpolationFromTheSeamOrPastTheLineEnds) {
    kill(0, 2);
    kill(kSeam + 1, 1);  // neighbour a would be the seam
    kill(kSamplesPerLine - 1, 1);
    std::uint16_t* line = lines_.line(0);
    line[2] = 50;
    line[kSeam] = 3;
    line[kSeam + 2] = 80;
    line[kSamplesPerLine - 1] = 123;
    repair(line);
    EXPECT_EQ(line[0], 999);
    // Position 1 is re-examined as a run of one between position 0 and position 2.
    EXPECT_EQ(line[1], 525);
    EXPECT_EQ(line[kSeam + 1], 999);
    EXPECT_EQ(line[kSamplesPerLine - 1], 123);
}

// A known scene, turned into sensor values through the inverse of the correction,
// comes back out of the flat field within one count at every live position.
TEST(FlatFieldRoundTrip, SceneRecoveredWithinOneCount) {
    std::mt19937 random(1234);
    FlatFieldMask mask{};
    mask.dark_offset[0] = 37;
    mask.dark_offset[1] = 81;
    std::uniform_real_distribution<float> gains(0.5f, 1.5f);
    for (float& g : mask.gain)
        g = gains(random);
    for (int s : {50, 51, 52, 53, 54, 300, 301, 900})
        mask.gain[s] = 0.0f;

    const int top = 4095;
    const int length = 40;
    Lines scene(length, 0);
    Lines sensor(length, 0);
    std::uniform_int_distribution<int> level(2300, 4000);
    for (int l = 0; l < length; ++l) {
        for (int s = 0; s < kSamplesPerLine; ++s) {
            const int x = level(random);
            const int offset = top - mask.dark_offset[s < kSeam ? 0 : 1];
            const double v = offset - (top - x) / static_cast<double>(mask.gain[s]);
            scene.at(l, s) = static_cast<std::uint16_t>(x);
            sensor.at(l, s) = mask.gain[s] < 0.01f ? 1 : static_cast<std::uint16_t>(std::lround(v));
        }
    }
    const Corrector corrector(mask, TransferMode::bits12, false);
    flat_field(sensor.raw(), one_section(0, length), corrector, nullptr);
    for (int l = 0; l < length; ++l) {
        for (int s = 0; s < kSamplesPerLine; ++s) {
            if (s == kSeam || mask.gain[s] < 0.01f) continue;
            ASSERT_NEAR(sensor.at(l, s), scene.at(l, s), 1) << l << "," << s;
        }
        EXPECT_EQ(sensor.at(l, 50), 0) << "run of five cleared";
        EXPECT_EQ(sensor.at(l, 300),
                  static_cast<int>((2.0 * sensor.at(l, 299) + sensor.at(l, 302)) / 3 + 0.5));
        EXPECT_EQ(sensor.at(l, 900),
                  static_cast<int>((sensor.at(l, 899) + sensor.at(l, 901)) * 0.5 + 0.5));
    }
}

}  // namespace
}  // namespace np::image
