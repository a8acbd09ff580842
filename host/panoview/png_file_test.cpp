// Our PNG files decoded by ImageMagick, which knows nothing of our encoder.
#include "host/panoview/png_file.h"

#include <gtest/gtest.h>

#include "tools/tool_images/tool_images.h"

namespace {

using np::panoview::PngColour;
using np::panoview::RasterImage;
using np::testing::TempDir;

// Gradients, noise and long runs: every filter and both literals and matches.
RasterImage test_image(int width, int height, PngColour colour) {
    RasterImage image{width, height, colour, {}};
    const int samples = colour == PngColour::rgb ? 3 : 1;
    std::uint32_t noise = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < samples; ++c) {
                noise = noise * 1103515245u + 12345u;
                const int value = y < height / 3       ? (x * 7 + y * 3 + c * 50)
                                  : y < 2 * height / 3 ? int(noise >> 24)
                                                       : (x / 40) * 30;
                image.pixels.push_back(static_cast<std::uint8_t>(value));
            }
    return image;
}

TEST(PngFile, DecodesToTheSamePixelsGreyAndRgb) {
    TempDir dir;
    for (const PngColour colour : {PngColour::grey, PngColour::rgb}) {
        const RasterImage image = test_image(301, 97, colour);
        const std::string path = dir.path(colour == PngColour::rgb ? "rgb.png" : "grey.png");
        np::testing::write_file(path, np::panoview::png_file(image));
        EXPECT_EQ(np::testing::imagemagick_pixels(path, colour == PngColour::rgb ? "rgb" : "gray"),
                  image.pixels);
    }
}

TEST(PngFile, CompressesLongRunsAcrossTheWholeWindow) {
    // A row repeated beyond the 32 KiB window and runs longer than a match.
    RasterImage image{4000, 40, PngColour::grey, std::vector<std::uint8_t>(4000 * 40, 200)};
    for (int x = 0; x < 4000; x += 3)
        for (int y = 0; y < 40; ++y)
            image.pixels[std::size_t(y) * 4000 + x] = static_cast<std::uint8_t>(x % 251);
    const auto file = np::panoview::png_file(image);
    EXPECT_LT(file.size(), image.pixels.size() / 20);
    TempDir dir;
    np::testing::write_file(dir.path("runs.png"), file);
    EXPECT_EQ(np::testing::imagemagick_pixels(dir.path("runs.png"), "gray"), image.pixels);
}

TEST(PngFile, RefusesPixelsThatDoNotFitTheSize) {
    EXPECT_TRUE(
        np::panoview::png_file({3, 2, PngColour::rgb, std::vector<std::uint8_t>(17)}).empty());
    EXPECT_TRUE(np::panoview::png_file({0, 2, PngColour::grey, {}}).empty());
}

}  // namespace
