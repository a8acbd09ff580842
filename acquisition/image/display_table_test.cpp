#include "acquisition/image/display_table.h"

#include <gtest/gtest.h>

#include "acquisition/image/test_support.h"

namespace np::image {
namespace {

using testing::Lines;
using testing::unit_mask;

TEST(PlainScale, ValueOverFourOrSixteen) {
    const FlatFieldMask mask = unit_mask();
    Lines lines(3, 700);
    const DisplayTable ten =
        compute_display_table(lines.samples.data(), 3, mask, {0, 1, TransferMode::bits10, false});
    const DisplayTable twelve =
        compute_display_table(lines.samples.data(), 3, mask, {0, 0, TransferMode::bits12, false});
    for (int v = 0; v < 1024; ++v)
        ASSERT_EQ(ten[v], v / 4) << v;
    for (int v = 0; v < 4096; ++v)
        ASSERT_EQ(twelve[v], v / 16) << v;
}

TEST(DisplayHistogram, MarginsZerosAndGainWhateverItIs) {
    FlatFieldMask mask = unit_mask(0, 0);
    mask.gain[64] = 0.0f;  // dead positions are corrected too: 1023 - trunc(0.5)
    Lines lines(2, 0);
    for (int l = 0; l < 2; ++l) {
        lines.at(l, 63) = 10;  // outside the margin
        lines.at(l, 64) = 20;
        lines.at(l, 1179) = 30;
        lines.at(l, 1180) = 40;  // outside
    }
    const Corrector corrector(mask, TransferMode::bits10, false);
    const Histogram counts = display_histogram(lines.samples.data(), 2, corrector, 5);
    EXPECT_EQ(counts[1023], 2u);
    EXPECT_EQ(counts[30], 2u);
    EXPECT_EQ(counts[10] + counts[20] + counts[40], 0u);
    EXPECT_EQ(counts[0], 2u * (1180 - 64 - 2));

    // Programs 180 to 186 leave out 100 positions at the start and 300 at the end.
    const Histogram wide = display_histogram(lines.samples.data(), 2, corrector, 183);
    EXPECT_EQ(wide[1023] + wide[30], 0u);
    EXPECT_EQ(wide[0], 2u * (943 - 100 + 1));
}

// 4000 lines of one value put 4.5 million counts in one bin, far beyond 16 bits.
TEST(DisplayHistogram, AFullImageOfOneValueCountsEverySample) {
    Lines lines(kMaxImageLines, 0);
    const Corrector corrector(unit_mask(0, 0), TransferMode::bits12, false);
    const Histogram counts = display_histogram(lines.samples.data(), kMaxImageLines, corrector, 5);
    EXPECT_EQ(counts[0], 4000u * (1179 - 64 + 1));
}

// n = 10 lines: T = 12 for the low point, 124 for the white point.
TEST(LinearTable, HandWorkedLowAndHighPoints) {
    Histogram counts{};
    counts[0] = 500;  // never counted towards lo
    counts[5] = 4;
    counts[9] = 7;
    counts[12] = 3;  // bins 1..12 reach 14 >= 12
    counts[700] = 1;
    counts[800] = 2;
    const LinearPoints points = linear_points(counts, 10, 1024);
    EXPECT_EQ(points.lo, 12);
    EXPECT_EQ(points.hi, 800);
    const DisplayTable table = linear_table(counts, 10, 1024);
    EXPECT_EQ(table[11], 0);
    EXPECT_EQ(table[12], 0);
    EXPECT_EQ(table[406], 128);  // 394 x 255 / 788 = 127.5
    EXPECT_EQ(table[405], 127);
    EXPECT_EQ(table[799], 255);  // 254.68 rounds up
    EXPECT_EQ(table[798], 254);
    EXPECT_EQ(table[800], 255);
    EXPECT_EQ(table[4095], 255);
}

TEST(LinearTable, NoRangeFallsBackToThePlainScale) {
    Histogram counts{};
    counts[0] = 1000;
    EXPECT_EQ(linear_table(counts, 10, 4096), plain_scale_table(4096));
    counts[300] = 50;  // lo = hi = 300
    EXPECT_EQ(linear_table(counts, 10, 4096), plain_scale_table(4096));
}

// A plateau of 10 counts on bins 600..699 and five bright bins of 25 at 850..890.
Histogram plateau_histogram() {
    Histogram counts{};
    for (int k = 600; k < 700; ++k)
        counts[k] = 10;
    for (int k = 850; k <= 890; k += 10)
        counts[k] = 25;
    return counts;
}

TEST(CurveTable, HandWorkedPointsAndHyperbola) {
    // h = 5: sm[i] is the sum of bins i - 4 .. i + 4; the plateau gives P = 90, threshold 30,
    // so sm must hold 4 plateau bins: left = 599, right = 700, mid = 649.
    // White point: 124 counts from the top are reached at 850.
    // b0 = 649 - floor(1.2 x 201) = 408.
    const CurvePoints points = curve_points(plateau_histogram(), 10, 1024);
    EXPECT_EQ(points.white, 850);
    EXPECT_EQ(points.left, 599);
    EXPECT_EQ(points.right, 700);
    EXPECT_EQ(points.mid, 649);
    EXPECT_EQ(points.black, 408);
    // R = 442, N = 443, t = 221 - 34 = 187, A = 187^2 / (374 - 443).
    const DisplayTable table = curve_table(plateau_histogram(), 10, 1024);
    EXPECT_EQ(table[407], 0);
    EXPECT_EQ(table[408], 0);
    EXPECT_EQ(table[408 + 100], 34);
    EXPECT_EQ(table[408 + 221], 89);
    EXPECT_EQ(table[849], 254);
    EXPECT_EQ(table[850], 255);
    EXPECT_EQ(table[4095], 255);
    for (int v = 1; v < 1024; ++v)
        ASSERT_GE(table[v], table[v - 1]) << v;
}

TEST(CurveTable, BlackPointKeptAtLeastTheMinimumRangeBelowWhite) {
    Histogram counts{};
    counts[850] = 200;  // mid = w = 850, so b0 = w - 63
    EXPECT_EQ(curve_points(counts, 10, 1024).black, 787);
    Histogram twelve{};
    twelve[3000] = 200;
    EXPECT_EQ(curve_points(twelve, 10, 4096).black, 3000 - 255);
}

TEST(CurveTable, NearlyBlackImageHasNoDivisionByZero) {
    // w = 3, b0 = 0: N = 4 gives 2t - N = 0; a straight ramp takes the curve's place.
    Histogram counts{};
    counts[3] = 200;
    const DisplayTable table = curve_table(counts, 10, 1024);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[1], 85);
    EXPECT_EQ(table[2], 170);
    EXPECT_EQ(table[3], 255);
    // Odd N below 13 keep the hyperbola: w = 4, N = 5, t = 2, A = -4.
    Histogram five{};
    five[4] = 200;
    const DisplayTable curve = curve_table(five, 10, 1024);
    EXPECT_EQ(curve[0], 0);
    EXPECT_EQ(curve[4], 255);
    for (int v = 1; v <= 4; ++v)
        EXPECT_GE(curve[v], curve[v - 1]);
}

}  // namespace
}  // namespace np::image
