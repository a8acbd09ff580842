#include "acquisition/transfer/live_preview.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <vector>

namespace np::transfer {
namespace {

// The preview takes the mask when it is built: set the gains before the first update.
struct PreviewFixture {
    PreviewGeometry geometry;
    std::array<std::uint16_t, 2> dark;
    std::vector<std::uint8_t> pixels;
    std::vector<float> gains = std::vector<float>(kSamplesPerLine, 1.0f);
    std::vector<std::uint16_t> raw = std::vector<std::uint16_t>(kRawBufferBytes / 2, 0);
    std::array<std::uint8_t, 4096> table{};
    int tables_computed = 0;
    int lines_for_table = 0;
    std::optional<LivePreview> preview;

    explicit PreviewFixture(PreviewGeometry g, std::array<std::uint16_t, 2> d = {0, 0})
        : geometry(g), dark(d), pixels(std::size_t(g.height()) * g.stride(), 0xEE) {}

    PreviewMessages update(int first_line, int line_count) {
        if (!preview)
            preview.emplace(geometry, pixels.data(), FlatField{1024, dark, gains.data()},
                            table.data(), [this](const std::uint16_t*, int lines, std::uint8_t* t) {
                                ++tables_computed;
                                lines_for_table = lines;
                                for (int i = 0; i < 4096; ++i)
                                    t[i] = static_cast<std::uint8_t>(i / 4);
                            });
        return preview->update(raw.data(), first_line, line_count);
    }
    std::uint8_t at(int column, int row_from_top) const {
        return pixels[std::size_t(geometry.height() - 1 - row_from_top) * geometry.stride() +
                      column];
    }
    void fill_line(int line, std::uint16_t value) {
        std::fill_n(raw.begin() + std::size_t(line) * kSamplesPerLine, kSamplesPerLine, value);
    }
};

TEST(LivePreview, WaitsFor50LinesThenComputesTheTableOnceAndDrawsEverySixthLine) {
    PreviewFixture f({6, 108});
    for (int line = 0; line < 121; ++line)
        f.fill_line(line, static_cast<std::uint16_t>(400 + line));
    EXPECT_FALSE(f.update(0, 30).columns_drawn);
    EXPECT_EQ(f.tables_computed, 0);
    const PreviewMessages first = f.update(30, 30);
    EXPECT_EQ(f.tables_computed, 1);
    EXPECT_EQ(f.lines_for_table, 60);
    EXPECT_TRUE(first.announce_offset);
    EXPECT_EQ(first.columns_drawn, 10 + 108);
    const PreviewMessages second = f.update(60, 61);
    EXPECT_EQ(f.tables_computed, 1);
    EXPECT_FALSE(second.announce_offset);
    EXPECT_EQ(second.columns_drawn, 21 + 108);  // lines 0, 6, .. 120
    // Line 0 lands in the rightmost column left of the offset, line 6 next to it.
    const int right = 666 - 1 - 108;
    EXPECT_EQ(f.at(right, 0), 400 / 4);
    EXPECT_EQ(f.at(right - 1, 5), 406 / 4);
    EXPECT_EQ(f.at(right - 20, 207), 520 / 4);
    EXPECT_EQ(f.at(right + 1, 0), 0xEE);  // the offset columns are left alone
}

TEST(LivePreview, AppliesTheFlatFieldOfEachHalfAndTreatsDeadGainsAsOne) {
    PreviewFixture f({8, 0}, {23, 100});
    f.gains[0] = 2.0f;
    f.gains[8] = 0.0f;
    f.fill_line(0, 500);
    f.raw[16] = 0;
    f.update(0, 50);
    // Row 0: sample 0, gain 2: 1024 - round(2 x (1000 - 500)) - 1 = 23 -> 5.
    EXPECT_EQ(f.at(499, 0), 23 / 4);
    // Row 1: sample 8, dead: 1024 - 500 - 1 = 523 -> 130.
    EXPECT_EQ(f.at(499, 1), 523 / 4);
    // Row 100 (sample 800) lies in the second half: 1024 - (923 - 500) - 1 = 600.
    EXPECT_EQ(f.at(499, 100), 600 / 4);
    EXPECT_EQ(f.at(499, 2), 0);  // zero samples stay black
}

// A damaged mask: a gain too large for any int, an infinite one (times 0: NaN).
TEST(LivePreview, DamagedGainsEndAtTheEdgesOfTheTable) {
    PreviewFixture f({8, 0}, {23, 0});
    f.gains[0] = 1e30f;
    f.gains[8] = 1e30f;
    f.gains[16] = std::numeric_limits<float>::infinity();
    f.fill_line(0, 500);
    f.raw[8] = 1010;   // above O = 1000: the product is hugely negative
    f.raw[16] = 1000;  // equal to O
    f.update(0, 50);
    EXPECT_EQ(f.at(499, 0), 0);
    EXPECT_EQ(f.at(499, 1), 1023 / 4);
    EXPECT_EQ(f.at(499, 2), 1023 / 4);
}

TEST(LivePreview, AFull4000LineImageStaysInsideTheBitmap) {
    PreviewFixture f({6, 0});
    for (int line = 0; line < 4000; ++line)
        f.fill_line(line, 1000);
    for (int first = 0; first < 4000; first += 400)
        f.update(first, 400);
    EXPECT_EQ(f.at(0, 0), 1000 / 4);
}

TEST(LivePreview, NothingPastTheRoomLeftByTheOffset) {
    PreviewFixture f({6, 100});
    EXPECT_FALSE(f.update(0, 3500).columns_drawn);
    EXPECT_EQ(f.tables_computed, 0);
}

}  // namespace
}  // namespace np::transfer
