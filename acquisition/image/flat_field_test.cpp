#include "acquisition/image/flat_field.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <vector>

#include "acquisition/image/test_support.h"

namespace np::image {
namespace {

using testing::Lines;
using testing::one_section;
using testing::unit_mask;

TEST(Corrector, OffsetOfEachHalfGainRoundingAndLimits) {
    FlatFieldMask mask = unit_mask(23, 40);
    mask.gain[10] = 1.25f;
    mask.gain[700] = 0.5f;
    mask.gain[3] = 0.49999997f;  // 1 x gain + 0.5 would round up to 1 in single precision
    mask.gain[4] = 1e30f;
    mask.gain[5] = -3.0f;
    const Corrector ten(mask, TransferMode::bits10, false);
    EXPECT_EQ(ten(400, 10), 273);   // O_A = 1000: 1023 - trunc(600 x 1.25 + 0.5)
    EXPECT_EQ(ten(400, 700), 731);  // O_B = 983: 1023 - trunc(583 x 0.5 + 0.5)
    EXPECT_EQ(ten(1010, 10), 1023);
    EXPECT_EQ(ten(1, 10), 0);
    EXPECT_EQ(ten(999, 3), 1023);
    EXPECT_EQ(ten(400, 4), 0);
    EXPECT_EQ(ten(400, 5), 1023);
    // The seam position belongs to the second half; mirrored the seam moves up one.
    EXPECT_EQ(ten.offset(620), 1000);
    EXPECT_EQ(ten.offset(621), 983);
    const Corrector mirrored(mask, TransferMode::bits12, true);
    EXPECT_EQ(mirrored.offset(621), 4072);
    EXPECT_EQ(mirrored.offset(622), 4055);

    // The vector path rounds and limits exactly as the single sample does.
    Lines lines(1, 400);
    lines.at(0, 3) = 999;
    flat_field(lines.raw(), one_section(0, 1), ten);
    EXPECT_EQ(lines.at(0, 3), 1023);
    EXPECT_EQ(lines.at(0, 4), 0);
    EXPECT_EQ(lines.at(0, 10), 273);
    EXPECT_EQ(lines.at(0, 700), 731);
}

// Both vector paths against the single sample for every value, with gains whose
// products land on halves (0.75 x 2), just beside them (1/3, 0.1), beyond the
// fixed-point range (16 and more, infinite, NaN, negative) and ordinary ones.
TEST(Corrector, VectorPathsAgreeWithTheSingleSampleForEveryValue) {
    const float special[] = {0.0f,
                             0.5f,
                             0.75f,
                             1.0f,
                             1.5f,
                             1.0f / 3,
                             0.1f,
                             0.3f,
                             0.01f,
                             15.999f,
                             16.0f,
                             40.0f,
                             1e30f,
                             -1.0f,
                             std::numeric_limits<float>::infinity(),
                             std::numeric_limits<float>::quiet_NaN()};
    std::mt19937 random(9);
    for (const TransferMode mode : {TransferMode::bits10, TransferMode::bits12}) {
        const int top = full_scale(mode) - 1;
        FlatFieldMask mask = unit_mask(37, mode == TransferMode::bits12 ? 5000 : 12);
        for (int s = 0; s < kSamplesPerLine; ++s)
            mask.gain[s] = s % 3 == 0
                               ? special[random() % std::size(special)]
                               : static_cast<float>(1 + random() % 300) / (1 + random() % 300);
        const Corrector corrector(mask, mode, false);
        Lines lines(1, 0);
        std::vector<std::uint16_t> span(kSamplesPerLine);
        for (int v = 0; v <= top + 100; ++v) {
            std::fill(lines.samples.begin(), lines.samples.end(), static_cast<std::uint16_t>(v));
            corrector.correct_span_keeping_zero(lines.samples.data(), 100, 1143, span.data());
            corrector.correct_in_place(lines.samples.data());
            for (int s = 0; s < kSamplesPerLine; ++s) {
                const int expected = v == 0 ? 0 : corrector(v, s);
                if (s >= 100 && s <= 1143) {
                    ASSERT_EQ(span[s], expected) << v << " at " << s;
                }
                const bool kept = s == kSeam || !(corrector.gain(s) >= kDeadGain);
                ASSERT_EQ(lines.at(0, s), kept ? v : expected) << v << " at " << s;
            }
        }
    }
}

TEST(FlatField, SectionLinesOnlyClippedToTheBufferZerosKept) {
    Lines lines(60, 500);  // O = 923: v -> v + 100
    lines.at(55, 7) = 0;
    AcquisitionRecord record = one_section(50, 500);  // runs far past line 59
    record.section_count = 40;                        // never more than the record holds
    record.sections[1] = {-5, 8};                     // lines 0 .. 2
    flat_field(lines.raw(), record, Corrector(unit_mask(100, 100), TransferMode::bits10, false));
    for (int l = 0; l < 60; ++l) {
        const bool section = l < 3 || l >= 50;
        EXPECT_EQ(lines.at(l, 0), section ? 600 : 500) << l;
        EXPECT_EQ(lines.at(l, kSeam), 500) << "seam never corrected";
    }
    EXPECT_EQ(lines.at(55, 7), 0);
}

TEST(FlatField, SeamSumsStartAtOne) {
    Lines lines(3, 0);
    for (int l = 0; l < 3; ++l)
        for (int d = 1; d <= 3; ++d) {
            lines.at(l, kSeam - d) = static_cast<std::uint16_t>(d);
            lines.at(l, kSeam + d) = static_cast<std::uint16_t>(10 * d);
        }
    const Corrector corrector(unit_mask(), TransferMode::bits10, false);
    const SeamSums sums = flat_field(lines.raw(), one_section(1, 2), corrector);
    EXPECT_DOUBLE_EQ(sums.below, 13.0);
    EXPECT_DOUBLE_EQ(sums.above, 121.0);
    const SeamSums none = flat_field(lines.raw(), one_section(0, 0), corrector);
    EXPECT_DOUBLE_EQ(none.below, 1.0);
    EXPECT_DOUBLE_EQ(none.above, 1.0);
}

class DeadPositions : public ::testing::Test {
  protected:
    void kill(int first, int count) {
        for (int s = first; s < first + count; ++s)
            mask_.gain[s] = 0.0f;
    }
    void repair() {
        const Corrector corrector(mask_, TransferMode::bits12, false);
        repair_dead_positions(line_, corrector, dead_positions(corrector));
    }
    FlatFieldMask mask_ = unit_mask();
    Lines lines_{1, 999};
    std::uint16_t* line_ = lines_.line(0);
};

TEST_F(DeadPositions, RunsOfOneToThreeInterpolatedFourOrMoreCleared) {
    kill(100, 1);
    kill(200, 2);
    kill(300, 3);
    kill(400, 6);
    mask_.gain[406] = 0.01f;  // at most 0.01 still counts as dead while clearing
    line_[99] = 100, line_[101] = 201;
    line_[199] = 100, line_[202] = 400;
    line_[299] = 100, line_[303] = 500;
    repair();
    EXPECT_EQ(line_[100], 151);  // (100 + 201) / 2 + 0.5
    EXPECT_EQ(line_[200], 200);  // (2a + b) / 3
    EXPECT_EQ(line_[201], 300);  // (a + 2b) / 3
    EXPECT_EQ(line_[300], 200);  // 3:1
    EXPECT_EQ(line_[301], 300);  // 1:1
    EXPECT_EQ(line_[302], 400);  // 1:3
    EXPECT_EQ(line_[303], 500);
    for (int s = 400; s <= 406; ++s)
        EXPECT_EQ(line_[s], 0) << s;
    EXPECT_EQ(line_[399], 999);
    EXPECT_EQ(line_[407], 999);
}

TEST_F(DeadPositions, FilledPositionsAreExaminedAgainWithTheirNewValues) {
    kill(10, 3);
    line_[9] = 0, line_[13] = 3;
    // One pass alone would give 1, 2, 2. The pass at 11 (run 2, a = 1) keeps 2, 2;
    // the pass at 12 (run 1, a = 2) gives trunc(2.5 + 0.5) = 3.
    repair();
    EXPECT_EQ(line_[10], 1);
    EXPECT_EQ(line_[11], 2);
    EXPECT_EQ(line_[12], 3);
}

TEST_F(DeadPositions, SeamAndLineEndsStopClearingAndInterpolation) {
    kill(kSeam - 4, 10);
    kill(0, 2);
    kill(kSamplesPerLine - 1, 1);
    line_[2] = 50;
    line_[kSamplesPerLine - 1] = 123;
    repair();
    for (int s = kSeam - 4; s < kSeam; ++s)
        EXPECT_EQ(line_[s], 0) << s;
    EXPECT_EQ(line_[kSeam], 999);
    // The seam itself is skipped; from the seam on the next dead run is cleared too.
    for (int s = kSeam + 1; s < kSeam + 6; ++s)
        EXPECT_EQ(line_[s], 0) << s;
    EXPECT_EQ(line_[0], 999);
    // Position 1 is re-examined as a run of one between position 0 and position 2.
    EXPECT_EQ(line_[1], 525);
    EXPECT_EQ(line_[kSamplesPerLine - 1], 123);

    Lines other(1, 999);
    FlatFieldMask mask = unit_mask();
    mask.gain[kSeam + 1] = 0.0f;  // neighbour a would be the seam
    const Corrector corrector(mask, TransferMode::bits12, false);
    other.at(0, kSeam) = 3;
    repair_dead_positions(other.line(0), corrector, dead_positions(corrector));
    EXPECT_EQ(other.at(0, kSeam + 1), 999);
}

}  // namespace
}  // namespace np::image
