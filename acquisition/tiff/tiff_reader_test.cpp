// Files written by libtiff's tiffcp, ImageMagick and cjpeg, loaded by us and decoded by
// libtiff/djpeg.
#include "acquisition/tiff/tiff_reader.h"

#include <gtest/gtest.h>

#include <cmath>

#include "acquisition/tiff/demo_tiff.h"
#include "tools/tool_images/tool_images.h"

namespace np::tiff {
namespace {

using np::testing::libtiff_rows;
using np::testing::read_file;
using np::testing::run;
using np::testing::TempDir;
using np::testing::TiffRows;

constexpr const char* kSize = "700x1244";

struct Decoded {
    TiffStatus status = TiffStatus::ok;
    std::vector<uint8_t> pixels;  // top row first
};

class ToolFiles : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = new TempDir;
        std::string plasma = std::string("convert -size ") + kSize + " -seed 3 plasma:fractal ";
        run(plasma + "-type Grayscale -depth 8 -compress none " + path("grey8.tif"));
        run(plasma + "-type TrueColor -depth 8 -compress none " + path("rgb.tif"));
        run(plasma + "-type Grayscale -depth 16 -compress none " + path("grey16.tif"));
    }
    static void TearDownTestSuite() { delete dir; }
    static std::string path(const std::string& name) { return dir->path(name); }

    // The loader's buffer (the file's bottom row first) turned top row first.
    static Decoded ours(const std::string& file) {
        std::vector<uint8_t> dest(kDemoBufferSize);
        StdioAccess files;
        const DemoLoad load = load_demo_tiff(files, file, dest);
        Decoded out{load.status, {}};
        for (auto row = dest.begin() + std::ptrdiff_t{load.width} * kDemoRows; row != dest.begin();
             row -= load.width)
            out.pixels.insert(out.pixels.end(), row - load.width, row);
        return out;
    }
    // tiffcp's copy of `from` with the given options, decoded by both.
    static std::pair<Decoded, TiffRows> tiffcp(const std::string& from,
                                               const std::string& options) {
        std::string out = path("copy.tif");
        run("tiffcp " + options + " " + path(from) + " " + out);
        return {ours(out), libtiff_rows(out)};
    }

    static TempDir* dir;
};
TempDir* ToolFiles::dir = nullptr;

TEST_F(ToolFiles, GreyStripsEqualLibtiffPixelForPixel) {
    // Many strips, one strip, RowsPerStrip beyond the height; with and without differencing.
    for (const char* options :
         {"-c none -r 16", "-c none -r 5000", "-c lzw -r 7", "-c lzw -r 1300", "-c lzw:2 -r 64"}) {
        SCOPED_TRACE(options);
        auto [decoded, reference] = tiffcp("grey8.tif", options);
        ASSERT_EQ(decoded.status, TiffStatus::ok);
        EXPECT_TRUE(decoded.pixels == reference.bytes);
    }
}

TEST_F(ToolFiles, RgbBecomesItsLuma) {
    for (const char* options : {"-c none -r 100", "-c lzw:2 -r 32"}) {
        SCOPED_TRACE(options);
        auto [decoded, reference] = tiffcp("rgb.tif", options);
        ASSERT_EQ(decoded.status, TiffStatus::ok);
        ASSERT_EQ(reference.samples, 3);
        int worst = 0;
        for (size_t i = 0; i < decoded.pixels.size(); ++i) {
            const uint8_t* p = &reference.bytes[3 * i];
            double luma = 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
            worst = std::max(worst, static_cast<int>(std::abs(luma - decoded.pixels[i]) + 0.5));
        }
        EXPECT_LE(worst, 1);
    }
}

TEST_F(ToolFiles, SixteenBitGreyKeepsItsHighByte) {
    for (const char* options : {"-c none -r 50", "-c lzw:2 -r 40"}) {
        SCOPED_TRACE(options);
        auto [decoded, reference] = tiffcp("grey16.tif", options);
        ASSERT_EQ(decoded.status, TiffStatus::ok);
        ASSERT_EQ(reference.bits, 16);
        std::vector<uint8_t> high(decoded.pixels.size());
        for (size_t i = 0; i < high.size(); ++i)
            high[i] = reference.bytes[2 * i + 1];  // host is LE
        EXPECT_TRUE(decoded.pixels == high);
    }
}

TEST_F(ToolFiles, TwelveBitGreyKeepsItsTopEightBits) {
    // An odd width, so that every row ends on half a byte of padding.
    run("convert -size 701x1244 -seed 6 plasma:fractal -type Grayscale -depth 12 -compress none " +
        path("grey12.tif"));
    for (const char* options : {"-c none -r 7", "-c lzw -r 100"}) {
        SCOPED_TRACE(options);
        auto [decoded, reference] = tiffcp("grey12.tif", options);
        ASSERT_EQ(decoded.status, TiffStatus::ok);
        ASSERT_EQ(reference.bits, 12);
        const size_t line = (701 * 12 + 7) / 8;
        std::vector<uint8_t> top(decoded.pixels.size());
        for (uint32_t y = 0; y < 1244; ++y) {
            const uint8_t* row = &reference.bytes[y * line];
            for (uint32_t x = 0; x < 701; ++x) {
                size_t bit = size_t{x} * 12;
                uint32_t pair = row[bit / 8] << 8 | (bit / 8 + 1 < line ? row[bit / 8 + 1] : 0);
                top[y * 701 + x] = static_cast<uint8_t>(pair >> (8 - bit % 8) & 0xFF);
            }
        }
        EXPECT_TRUE(decoded.pixels == top);
    }
}

TEST_F(ToolFiles, JpegStreamsFromCjpegWithinTwoLevelsOfDjpeg) {
    run("convert " + path("rgb.tif") + " " + path("src.ppm"));
    run("cjpeg -sample 2x2 -quality 80 -restart 4B " + path("src.ppm") + " > " + path("x.jpg"));
    run("djpeg -grayscale -pnm " + path("x.jpg") + " > " + path("x.pgm"));
    np::testing::write_file(
        path("x.tif"), np::testing::wrap_jpeg_in_tiff(read_file(path("x.jpg")), 700, 1244, true));
    Decoded decoded = ours(path("x.tif"));
    ASSERT_EQ(decoded.status, TiffStatus::ok);
    auto reference = np::testing::read_pgm(path("x.pgm"));
    int worst = 0;
    for (size_t i = 0; i < decoded.pixels.size(); ++i)
        worst = std::max(worst, std::abs(decoded.pixels[i] - reference.pixels[i]));
    EXPECT_LE(worst, 2);
}

// Widths the tools do not write.
TEST(GreyRow, PackedSamplesAreScaledToBytes) {
    ImageLayout six;
    six.width = 4;
    six.bits = {6, 0, 0};
    six.bits_per_pixel = 6;
    uint8_t stored6[] = {0xFC, 0x0F, 0xC0};  // 63, 0, 63, 0
    uint8_t grey[4];
    grey_row(six, stored6, {grey, 4});
    EXPECT_EQ(grey[0], 255);
    EXPECT_EQ(grey[1], 0);
    EXPECT_EQ(grey[2], 255);
    EXPECT_EQ(grey[3], 0);

    ImageLayout rgb565 = six;
    rgb565.width = 1;
    rgb565.layout = SampleLayout::rgb;
    rgb565.bits = {5, 6, 5};
    rgb565.bits_per_pixel = 16;
    uint8_t stored565[] = {0xF8, 0x00};  // pure red
    grey_row(rgb565, stored565, {grey, 1});
    EXPECT_EQ(grey[0], 76);
}

}  // namespace
}  // namespace np::tiff
