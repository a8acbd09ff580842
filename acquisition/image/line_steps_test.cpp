#include "acquisition/image/line_steps.h"

#include <gtest/gtest.h>

#include <cmath>

#include "acquisition/image/test_support.h"

namespace np::image {
namespace {

using testing::Lines;

TEST(HalfBalancing, TableFollowsTheSeamRatio) {
    SeamSums sums;
    sums.below = 3001.0;
    sums.above = 2001.0;  // r = 1.49975...
    const BalanceTable table = balance_table(sums, 1023, true);
    EXPECT_EQ(table[1023], 1023);
    EXPECT_EQ(table[823], static_cast<int>(1023 - 200 * (3001.0 / 2001.0) + 0.5));
    EXPECT_EQ(table[1], 0);  // negative, limited to 0
    const BalanceTable off = balance_table(sums, 1023, false);
    for (int i = 0; i < 1024; ++i)
        ASSERT_EQ(off[i], i);
}

TEST(HalfBalancing, OnlyNonzeroSamplesAboveTheSeam) {
    Lines lines(2, 900);
    lines.at(0, kSeam + 5) = 0;
    lines.at(1, kSamplesPerLine - 1) = 5000;  // beyond 10-bit: taken as 1023
    BalanceTable table{};
    for (int i = 0; i < kTableSize; ++i)
        table[i] = static_cast<std::uint16_t>(i / 2);
    balance_halves(lines.raw(), kSeam, 1023, table);
    EXPECT_EQ(lines.at(0, kSeam), 900);
    EXPECT_EQ(lines.at(0, kSeam + 1), 450);
    EXPECT_EQ(lines.at(0, kSeam + 5), 0);
    EXPECT_EQ(lines.at(1, kSamplesPerLine - 1), 511);
    EXPECT_EQ(lines.at(1, 0), 900);
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

TEST(SeamFilling, TwoSamplesBelowTheSeam) {
    auto line = numbered_line();
    const auto before = line;
    line[kSeam + 1] = 2000;
    fill_seam(line.data(), kSeam, seam_fill_for(post_process::kTwoSampleSeam, false));
    for (int s = 0; s <= kSeam - 2; ++s)
        ASSERT_EQ(line[s], before[s + 1]) << s;
    const int a = line[kSeam - 2];  // 1000 + 620
    EXPECT_EQ(a, 1620);
    EXPECT_EQ(line[kSeam - 1], static_cast<int>((2.0 * a + 2000) / 3 + 0.5));  // 1746.67 -> 1747
    EXPECT_EQ(line[kSeam], static_cast<int>((a + 2.0 * 2000) / 3 + 0.5));      // 1873.33 -> 1873
    for (int s = kSeam + 1; s < kSamplesPerLine; ++s)
        ASSERT_EQ(line[s], s == kSeam + 1 ? 2000 : before[s]) << s;
}

TEST(SeamFilling, TwoSamplesAboveTheSeamWhenMirrored) {
    const int seam = kMirroredSeam;
    auto line = numbered_line();
    const auto before = line;
    line[seam - 1] = 100;
    fill_seam(line.data(), seam, seam_fill_for(post_process::kTwoSampleSeam, true));
    for (int s = seam + 2; s < kSamplesPerLine; ++s)
        ASSERT_EQ(line[s], before[s - 1]) << s;
    const int b = line[seam + 2];  // the old seam + 1
    EXPECT_EQ(b, 1000 + seam + 1);
    EXPECT_EQ(line[seam], static_cast<int>((2.0 * 100 + b) / 3 + 0.5));
    EXPECT_EQ(line[seam + 1], static_cast<int>((100 + 2.0 * b) / 3 + 0.5));
    for (int s = 0; s < seam - 1; ++s)
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

class SpikeRepair : public ::testing::Test {
  protected:
    // Lines of uniform values; the sums follow from them.
    void fill(std::initializer_list<std::uint16_t> values) {
        lines_ = Lines(static_cast<int>(values.size()), 0);
        int l = 0;
        for (std::uint16_t v : values) {
            for (int s = 0; s < kSamplesPerLine; ++s)
                lines_.at(l, s) = v;
            ++l;
        }
        sums_ = line_sums(lines_.raw());
    }
    void repair() { repair_line_spikes(lines_.raw(), 1023, sums_); }

    Lines lines_{0, 0};
    std::vector<std::uint32_t> sums_;
};

TEST_F(SpikeRepair, DarkLineBetweenBrightNeighboursReplaced) {
    // Darkness K - sum + 1: neighbours 1044 x 423 + 1, the middle 1044 x 523 + 1,
    // (523 - 423) / 423 = 0.236 on both sides.
    fill({600, 500, 601});
    lines_.at(0, 7) = 100;
    lines_.at(2, 7) = 301;
    repair();
    EXPECT_EQ(lines_.at(1, 0), 600);  // (600 + 601) / 2
    EXPECT_EQ(lines_.at(1, 7), 200);  // (100 + 301) / 2
    EXPECT_EQ(sums_[1], (1044u * 600 + 1044u * 601) / 2);
}

TEST_F(SpikeRepair, BothRatiosMustExceedTheLimit) {
    // Middle darkness 523, left 423 (0.236) but right 460 (0.137).
    fill({600, 500, 563});
    repair();
    EXPECT_EQ(lines_.at(1, 0), 500);
    // Neighbour darkness 400 against 460 is just under 0.15 (the +1 of each term).
    fill({623, 563, 623});
    repair();
    EXPECT_EQ(lines_.at(1, 0), 563);
    fill({624, 563, 624});  // 61 / 399 = 0.153
    repair();
    EXPECT_EQ(lines_.at(1, 0), 624);
}

TEST_F(SpikeRepair, NeighboursNeedSignalAndEndsAreKept) {
    fill({1, 0, 900});  // line 0 sums to 1044 < 1244
    repair();
    EXPECT_EQ(lines_.at(1, 0), 0);
    fill({0, 900, 900});
    repair();
    EXPECT_EQ(lines_.at(0, 0), 0);
    fill({900, 900, 0});
    repair();
    EXPECT_EQ(lines_.at(2, 0), 0);
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
    const auto sums = line_sums(lines.raw());
    normalise_lines(lines.raw(), 1023, sums);
    for (int l : {0, 1, 2, 3, 4, 5, 6, 13, 14, 15, 16, 17, 18, 19})
        for (int s = 0; s < kSamplesPerLine; ++s)
            ASSERT_EQ(lines.at(l, s), before[l * kSamplesPerLine + s]) << l;
    // Line 10: its window 3..17 holds one line of darkness 200 and fourteen of 100.
    const std::int64_t mean = (14 * 104400 + 208800) / 15;
    const double ratio10 = static_cast<double>(mean) / 208800;
    EXPECT_EQ(lines.at(10, 0), 1023 - static_cast<int>(200 * ratio10));
    // Line 9: its window 2..16 holds lines 2 and 10.
    const std::int64_t mean9 = (13 * 104400 + 208800 + 313200) / 15;
    EXPECT_EQ(lines.at(9, 0), 1023 - static_cast<int>(100 * (static_cast<double>(mean9) / 104400)));
    const std::int64_t mean7 = (13 * 104400 + 208800 + 313200) / 15;  // lines 0..14
    EXPECT_EQ(lines.at(7, 5), 1023 - static_cast<int>(100 * (static_cast<double>(mean7) / 104400)));
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

TEST(LineNormalisation, ShortImagesUnchanged) {
    Lines lines(14, 500);
    lines.at(7, 0) = 900;
    const auto before = lines.samples;
    normalise_lines(lines.raw(), 1023, line_sums(lines.raw()));
    EXPECT_EQ(lines.samples, before);
}

}  // namespace
}  // namespace np::image
