#include "adaptations/generic/column_balance.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace np::generic {
namespace {

struct Image {
    int width;
    int height;
    int stride;
    std::vector<std::uint8_t> pixels;

    Image(int w, int h, std::uint8_t value)
        : width(w),
          height(h),
          stride((w + 3) & ~3),
          pixels(static_cast<std::size_t>(stride) * h, value) {}
    std::uint8_t& at(int row, int column) {
        return pixels[static_cast<std::size_t>(row) * stride + column];
    }
    bool balance() { return balance_columns(pixels.data(), width, height); }
};

// Too narrow for a neighbourhood (refused), too short or uniform (accepted): untouched.
TEST(ColumnBalance, WhatItCannotOrNeedNotCorrectIsLeftAlone) {
    EXPECT_FALSE(balance_columns(nullptr, 100, 400));
    Image flat(40, 1, 0);
    EXPECT_FALSE(balance_columns(flat.pixels.data(), 40, 0));
    struct Untouched {
        int width, height;
        std::uint8_t value, stripe;
        bool accepted;
    };
    const Untouched cases[] = {{14, 400, 90, 10, false},  {40, 1, 80, 200, true},
                               {40, 150, 80, 200, true},  {40, 200, 80, 200, true},
                               {37, 260, 0, 0, true},     {37, 260, 1, 1, true},
                               {37, 260, 100, 100, true}, {37, 260, 254, 254, true},
                               {37, 260, 255, 255, true}};
    for (const Untouched& c : cases) {
        Image image(c.width, c.height, c.value);
        for (int j = 0; j < c.height; ++j)
            image.at(j, c.width / 2) = c.stripe;
        const auto before = image.pixels;
        EXPECT_EQ(image.balance(), c.accepted) << c.width << "x" << c.height << " " << +c.value;
        EXPECT_EQ(image.pixels, before) << c.width << "x" << c.height << " " << +c.value;
    }
}

TEST(ColumnBalance, DarkColumnPulledTowardsItsNeighbours) {
    // 15 columns is the narrowest image; only column 7 has a full neighbourhood. Its 100
    // summed rows hold 6099, the neighbourhood mean is floor(146099 / 15) = 9739: r = 1.5968,
    // a = (r - 1) / (60.99 - 255) = -0.0030760, b = r - 60.99 a = 1.7844, v -> v (a v + b).
    Image image(15, 300, 100);
    for (int j = 0; j < 300; ++j)
        image.at(j, 7) = static_cast<std::uint8_t>(60 + j % 3);
    EXPECT_TRUE(image.balance());
    const int balanced[] = {96, 97, 99};
    for (int j = 0; j < 300; ++j) {
        EXPECT_EQ(image.at(j, 7), balanced[j % 3]) << "row " << j;
        for (int c : {0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14})
            ASSERT_EQ(image.at(j, c), 100);
    }
}

TEST(ColumnBalance, EdgeColumnsAndSaturatedColumnsNeverChange) {
    Image image(50, 400, 120);
    for (int j = 0; j < 400; ++j) {
        for (int c = 0; c < 50; ++c)
            image.at(j, c) = static_cast<std::uint8_t>((c * 37 + j * 11) % 251);
        image.at(j, 25) = j < 200 ? 255 : 17;  // saturated in the summed rows only
    }
    const auto before = image.pixels;
    EXPECT_TRUE(image.balance());
    bool changed = false;
    for (int j = 0; j < 400; ++j) {
        for (int c : {0, 6, 43, 49, 25})
            ASSERT_EQ(image.at(j, c), before[j * image.stride + c]);
        for (int c = 7; c < 43; ++c)
            changed |= image.at(j, c) != before[j * image.stride + c];
    }
    EXPECT_TRUE(changed);
    // Padding bytes of each row are not image pixels.
    for (int j = 0; j < 400; ++j)
        for (int c = 50; c < image.stride; ++c)
            ASSERT_EQ(image.at(j, c), before[j * image.stride + c]);
}

}  // namespace
}  // namespace np::generic
