#include "host/panoview/viewer_image.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using np::panoview::Box;

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    std::memcpy(&b[at], &v, 4);
}

// A packed 8-bit DIB of 3 x 2 pixels (rows padded to 4), stored bottom-up or top-down.
std::vector<std::uint8_t> dib(bool bottom_up, bool grey_table) {
    std::vector<std::uint8_t> b(40 + 1024 + 8, 0);
    put32(b, 0, 40);
    put32(b, 4, 3);
    put32(b, 8, bottom_up ? 2 : static_cast<std::uint32_t>(-2));
    b[12] = 1;
    b[14] = 8;
    for (int k = 0; k < 256; ++k) {  // B, G, R: grey tables invert, others tint
        b[40 + 4 * k] = static_cast<std::uint8_t>(grey_table ? 255 - k : k);
        b[40 + 4 * k + 1] = static_cast<std::uint8_t>(grey_table ? 255 - k : 0);
        b[40 + 4 * k + 2] = static_cast<std::uint8_t>(255 - k);
    }
    const std::uint8_t top[] = {0, 1, 2}, bottom[] = {10, 11, 12};
    std::memcpy(&b[1064 + (bottom_up ? 4 : 0)], top, 3);
    std::memcpy(&b[1064 + (bottom_up ? 0 : 4)], bottom, 3);
    return b;
}

TEST(RasterFromDib, RowsTopFirstThroughTheColourTable) {
    const std::vector<std::uint8_t> expected = {255, 254, 253, 245, 244, 243};
    for (bool bottom_up : {true, false}) {
        const auto image = np::panoview::raster_from_packed_dib(dib(bottom_up, true));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->colour, np::panoview::PngColour::grey);
        EXPECT_EQ(image->pixels, expected) << bottom_up;
    }
    const auto colour = np::panoview::raster_from_packed_dib(dib(true, false));
    ASSERT_TRUE(colour);
    EXPECT_EQ(colour->colour, np::panoview::PngColour::rgb);
    EXPECT_EQ(std::vector<std::uint8_t>(colour->pixels.begin(), colour->pixels.begin() + 6),
              (std::vector<std::uint8_t>{255, 0, 0, 254, 0, 1}));
}

TEST(RasterFromDib, RefusesShortOrCompressedBlocks) {
    auto block = dib(true, true);
    block.resize(block.size() - 1);
    EXPECT_FALSE(np::panoview::raster_from_packed_dib(block));
    block = dib(true, true);
    put32(block, 16, 1);  // BI_RLE8
    EXPECT_FALSE(np::panoview::raster_from_packed_dib(block));
}

TEST(FitPicture, KeepsProportionsAndCentres) {
    EXPECT_EQ(np::panoview::fit_picture({8, 40, 900, 500}, 2700, 1244), (Box{8, 83, 900, 414}));
    EXPECT_EQ(np::panoview::fit_picture({0, 0, 300, 600}, 2700, 1244), (Box{0, 231, 300, 138}));
    EXPECT_EQ(np::panoview::fit_picture({0, 0, 1000, 100}, 666, 208), (Box{340, 0, 320, 100}));
}

}  // namespace
