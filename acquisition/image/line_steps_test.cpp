#include "acquisition/image/line_steps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>

#include "acquisition/image/test_support.h"

namespace np::image {
namespace {

using testing::Lines;

TEST(HalfBalancing, TableFollowsTheSeamRatioOnlyNonzeroSamplesAboveTheSeam) {
    SeamSums sums;
    sums.below = 3001.0;
    sums.above = 2001.0;  // r = 1.49975...
    const BalanceTable table = balance_table(sums, 1023, true);
    EXPECT_EQ(table[1023], 1023);
    EXPECT_EQ(table[823], 723);  // 1023 - 200 r + 0.5
    EXPECT_EQ(table[1], 0);      // negative, limited to 0
    const BalanceTable off = balance_table(sums, 1023, false);
    EXPECT_EQ(off[1], 1);
    EXPECT_EQ(off[823], 823);

    // With r below 1 the formula would lift a 0, which must stay 0.
    std::swap(sums.below, sums.above);
    Lines lines(2, 823);
    lines.at(0, kSeam + 5) = 0;
    lines.at(1, kSamplesPerLine - 1) = 5000;  // beyond 10-bit: taken as 1023
    balance_halves(lines.raw(), kSeam, 1023, balance_table(sums, 1023, true));
    EXPECT_EQ(lines.at(0, kSeam), 823);
    EXPECT_EQ(lines.at(0, kSeam + 1), 890);  // r = 0.66678...
    EXPECT_EQ(lines.at(0, kSeam + 5), 0);
    EXPECT_EQ(lines.at(1, kSamplesPerLine - 1), 1023);
    EXPECT_EQ(lines.at(1, 0), 823);
}

std::vector<std::uint16_t> numbered_line() {
    std::vector<std::uint16_t> line(kSamplesPerLine);
    for (int s = 0; s < kSamplesPerLine; ++s)
        line[s] = static_cast<std::uint16_t>(1000 + s);
    return line;
}

TEST(SeamFilling, MeanOfTheTwoNeighbours) {
    auto line = numbered_line();
    line[kSeam - 1] = 10;
    line[kSeam + 1] = 13;
    const auto before = line;
    fill_seam(line.data(), kSeam, seam_fill_for(0, false));
    EXPECT_EQ(line[kSeam], 12);  // trunc(11.5 + 0.5)
    line[kSeam] = before[kSeam];
    EXPECT_EQ(line, before);
    EXPECT_EQ(seam_fill_for(post_process::kTwoSampleSeam - 1, true), SeamFill::mean);
}

TEST(SeamFilling, TwoSamplesBelowTheSeamOrAboveWhenMirrored) {
    auto line = numbered_line();
    line[kSeam + 1] = 2000;
    auto before = line;
    fill_seam(line.data(), kSeam, seam_fill_for(post_process::kTwoSampleSeam, false));
    for (int s = 0; s <= kSeam - 2; ++s)
        ASSERT_EQ(line[s], before[s + 1]) << s;
    EXPECT_EQ(line[kSeam - 1], 1747);  // (2 x 1620 + 2000) / 3
    EXPECT_EQ(line[kSeam], 1873);      // (1620 + 2 x 2000) / 3
    for (int s = kSeam + 1; s < kSamplesPerLine; ++s)
        ASSERT_EQ(line[s], before[s]) << s;

    const int seam = kMirroredSeam;
    line = numbered_line();
    line[seam - 1] = 100;
    before = line;
    fill_seam(line.data(), seam, seam_fill_for(post_process::kTwoSampleSeam, true));
    for (int s = seam + 2; s < kSamplesPerLine; ++s)
        ASSERT_EQ(line[s], before[s - 1]) << s;
    EXPECT_EQ(line[seam], 608);       // (2 x 100 + 1623) / 3
    EXPECT_EQ(line[seam + 1], 1115);  // (100 + 2 x 1623) / 3
    for (int s = 0; s < seam; ++s)
        ASSERT_EQ(line[s], before[s]) << s;
}

TEST(LineSums, SamplesHundredToElevenFortyThreeAndNeverZero) {
    Lines lines(2, 0);
    lines.at(0, 99) = 500;
    lines.at(0, 1144) = 500;
    lines.at(1, 100) = 3;
    lines.at(1, 1143) = 4;
    const auto sums = line_sums(lines.raw());
    EXPECT_EQ(sums[0], 1u);
    EXPECT_EQ(sums[1], 7u);
}

// Three lines of uniform values; darkness K - sum + 1 with K = 1044 x 1023.
std::uint16_t repaired_middle(std::uint16_t a, std::uint16_t m, std::uint16_t b) {
    Lines lines(3, 0);
    const std::uint16_t values[3] = {a, m, b};
    for (int l = 0; l < 3; ++l)
        for (int s = 0; s < kSamplesPerLine; ++s)
            lines.at(l, s) = values[l];
    auto sums = line_sums(lines.raw());
    repair_line_spikes(lines.raw(), 1023, sums);
    EXPECT_EQ(lines.at(0, 0), a);
    EXPECT_EQ(lines.at(2, 0), b);
    return lines.at(1, 0);
}

TEST(SpikeRepair, DarkLineBetweenBrightNeighboursReplacedBothRatiosAboveTheLimit) {
    // Neighbour darkness 423 against 523: 0.236 on both sides.
    EXPECT_EQ(repaired_middle(600, 500, 601), 600);  // (600 + 601) / 2
    EXPECT_EQ(repaired_middle(600, 500, 563), 500);  // right side 0.137
    // Darkness 400 against 460 is just under 0.15 (the +1 of each term); 61 / 399 is over.
    EXPECT_EQ(repaired_middle(623, 563, 623), 563);
    EXPECT_EQ(repaired_middle(624, 563, 624), 624);
    // Both neighbours need 1244 of signal.
    EXPECT_EQ(repaired_middle(1, 0, 900), 0);

    Lines lines(3, 600);
    lines.at(1, 0) = 500;
    lines.at(0, 7) = 100;
    lines.at(1, 7) = 0;
    lines.at(2, 7) = 301;
    std::vector<std::uint32_t> sums{1044u * 600, 1044u * 500, 1044u * 600};
    repair_line_spikes(lines.raw(), 1023, sums);
    EXPECT_EQ(lines.at(1, 7), 200);  // (100 + 301) / 2, sample by sample
    EXPECT_EQ(sums[1], 1044u * 600);
}

TEST(LineNormalisation, ScalesTowardsTheNeighbourhoodKeepingSevenLinesAtEachEnd) {
    const int count = 20;
    Lines lines(count, 923);  // darkness 100 per sample
    for (int s = 0; s < kSamplesPerLine; ++s) {
        lines.at(10, s) = 823;  // darkness 200
        lines.at(2, s) = 723;   // edge line, darkness 300
        lines.at(18, s) = 723;
    }
    auto before = lines.samples;
    normalise_lines(lines.raw(), 1023, line_sums(lines.raw()));
    for (int l : {0, 1, 2, 3, 4, 5, 6, 13, 14, 15, 16, 17, 18, 19})
        for (int s = 0; s < kSamplesPerLine; ++s)
            ASSERT_EQ(lines.at(l, s), before[l * kSamplesPerLine + s]) << l;
    // Line 10: its window 3..17 holds one line of darkness 200 and fourteen of 100,
    // mean 111360 against its own 208800.
    EXPECT_EQ(lines.at(10, 0), 917);
    // Lines 7 and 9: their windows hold lines 2 and 10, mean 125280 against 104400.
    EXPECT_EQ(lines.at(9, 0), 903);
    EXPECT_EQ(lines.at(7, 5), 903);

    Lines short_image(14, 500);
    short_image.at(7, 0) = 900;
    before = short_image.samples;
    normalise_lines(short_image.raw(), 1023, line_sums(short_image.raw()));
    EXPECT_EQ(short_image.samples, before);
}

TEST(LineNormalisation, WildRatiosAndSamplesStayDefined) {
    std::vector<std::uint16_t> line(kSamplesPerLine, 500);
    line[0] = 0;
    line[1] = 65535;
    line[2] = 1023;
    scale_line(line.data(), 1023, 1e12);
    EXPECT_EQ(line[0], 0);
    EXPECT_EQ(line[1], 1023);
    EXPECT_EQ(line[2], 1023);
    EXPECT_EQ(line[3], 0);
    line.assign(kSamplesPerLine, 500);
    scale_line(line.data(), 1023, std::nan(""));
    EXPECT_EQ(line[3], 1023);
}

// The fixed-point scaling must truncate exactly as the double product does, also
// where d x ratio lands on or just beside an integer (1/3 x 3 rounds up to 1.0 in
// double precision, 0.1 x 10 too).
TEST(LineNormalisation, ScalingTruncatesAsTheDoubleProductForEveryValue) {
    std::vector<double> ratios = {0.0,          1e-9, 0.1,  1.0 / 3,   2.0 / 3, 0.5,  0.9999999999,
                                  1.0000000001, 1.5,  7.25, 15.999999, 16.0,    40.0, -0.5};
    std::mt19937_64 random(3);
    for (int i = 0; i < 300; ++i)  // mean / own as the ratios are formed, and small fractions
        ratios.push_back(static_cast<double>(1 + random() % 4000000) / (1 + random() % 4000000));
    for (int i = 0; i < 300; ++i)
        ratios.push_back(static_cast<double>(1 + random() % 300) / (1 + random() % 300));
    for (const int top : {1023, 4095})
        for (const double ratio : ratios)
            for (int first = 0; first <= top + 8; first += kSamplesPerLine) {
                std::vector<std::uint16_t> line(kSamplesPerLine);
                for (int s = 0; s < kSamplesPerLine; ++s)
                    line[s] = static_cast<std::uint16_t>(first + s);
                scale_line(line.data(), top, ratio);
                for (int s = 0; s < kSamplesPerLine; ++s) {
                    const double product = std::clamp((top - first - s) * ratio, 0.0, 1.0 * top);
                    ASSERT_EQ(line[s], top - static_cast<int>(product))
                        << "top " << top << " ratio " << ratio << " value " << first + s;
                }
            }
}

}  // namespace
}  // namespace np::image
