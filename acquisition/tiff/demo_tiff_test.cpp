// The loader's checks and messages, and files broken in every way we could think of.
#include "acquisition/tiff/demo_tiff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <random>

#include "tools/tool_images/tool_images.h"
#include "acquisition/tiff/demo_messages.h"
#include "acquisition/tiff/tiff_lzw.h"
#include "acquisition/tiff/tiff_test_support.h"

namespace np::tiff {
namespace {

using np::testing::read_file;
using np::testing::run;
using np::testing::TempDir;
using np::testing::TiffBuilder;

constexpr const char* kPath = "C:\\KX\\DEMO0001.TIF";
constexpr uint16_t kShort = 3, kLong = 4;

DemoLoad load_bytes(const std::vector<uint8_t>& bytes, std::vector<uint8_t>* dest_out = nullptr) {
    MemoryFiles files;
    files.files[kPath] = bytes;
    // One buffer for all loads: thousands of them run under the sanitizers.
    static std::vector<uint8_t> dest(kDemoBufferSize);
    DemoLoad load = load_demo_tiff(files, kPath, dest);
    if (dest_out) *dest_out = dest;
    return load;
}

std::string message(TiffStatus status) {
    return status_message(status, kPath);
}

// An 8-bit grey image of one strip; `edit` adjusts the entries before the file is built.
std::vector<uint8_t> grey_file(uint32_t width, uint32_t height, uint16_t compression,
                               const std::vector<uint8_t>& strip,
                               const std::function<void(TiffBuilder&, uint32_t)>& more = {}) {
    TiffBuilder b(16);
    uint32_t at = b.block(strip);
    b.add(256, kLong, 1, width);
    b.add(257, kLong, 1, height);
    b.add(258, kShort, 1, 8);
    b.add(259, kShort, 1, compression);
    b.add(273, kLong, 1, at);
    if (more) more(b, at);
    return b.build();
}

std::vector<uint8_t> ramp(uint32_t width, uint32_t height) {
    std::vector<uint8_t> pixels(size_t{width} * height);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint8_t>(i * 7 + i / width);
    return pixels;
}

// 9-bit LZW codes, most significant bit first.
std::vector<uint8_t> lzw_codes(const std::vector<uint32_t>& codes) {
    std::vector<uint8_t> out;
    uint32_t acc = 0;
    int bits = 0;
    for (uint32_t c : codes) {
        acc = acc << 9 | c;
        bits += 9;
        while (bits >= 8) {
            out.push_back(static_cast<uint8_t>(acc >> (bits - 8)));
            bits -= 8;
        }
    }
    if (bits) out.push_back(static_cast<uint8_t>(acc << (8 - bits)));
    return out;
}

TEST(DemoFileName, ExtensionIsTifInAnyCase) {
    EXPECT_TRUE(has_tiff_extension("C:\\KX\\DEMO0001.TIF"));
    EXPECT_TRUE(has_tiff_extension("demo.tif"));
    EXPECT_TRUE(has_tiff_extension("C:\\a.b\\x.TiF"));
    EXPECT_FALSE(has_tiff_extension("C:\\KX.tif\\DEMO0001"));
    EXPECT_FALSE(has_tiff_extension("demo.tiff"));
    EXPECT_FALSE(has_tiff_extension("demo"));
}

TEST(DemoFile, MissingOrMisnamedFilesAreRefusedByName) {
    MemoryFiles files;
    std::vector<uint8_t> dest(kDemoBufferSize);
    DemoLoad load = load_demo_tiff(files, kPath, dest);
    EXPECT_FALSE(load.loaded);
    EXPECT_EQ(load.message, "Cannot open file : C:\\KX\\DEMO0001.TIF");

    files.files["C:\\KX\\DEMO0001.BMP"] = {1, 2, 3};
    load = load_demo_tiff(files, "C:\\KX\\DEMO0001.BMP", dest);
    EXPECT_EQ(load.message, "Demo file is not a TIFF file");
}

TEST(DemoFile, UncompressedSingleStripWithoutByteCountsIsReadBottomUp) {
    std::vector<uint8_t> pixels = ramp(20, 1244);
    std::vector<uint8_t> dest;
    DemoLoad load = load_bytes(grey_file(20, 1244, 1, pixels), &dest);
    ASSERT_TRUE(load.loaded) << load.message;
    EXPECT_EQ(load.width, 20u);
    for (uint32_t r = 0; r < 1244; ++r) {
        ASSERT_TRUE(std::equal(dest.begin() + r * 20, dest.begin() + r * 20 + 20,
                               pixels.begin() + (1243 - r) * 20));
    }
}

TEST(DemoFile, WidthAndHeightLimits) {
    auto file = [](uint32_t w, uint32_t h) { return grey_file(w, h, 1, ramp(w, h)); };
    DemoLoad load = load_bytes(file(4000, 1244));
    EXPECT_TRUE(load.loaded) << load.message;
    EXPECT_EQ(load.width, 4000u);
    EXPECT_EQ(load_bytes(file(4001, 1244)).message, "Demo file : uncorrect image width");
    EXPECT_EQ(load_bytes(file(16, 1243)).message, "Demo file : uncorrect image height");
    EXPECT_EQ(load_bytes(file(0, 1244)).message, "Demo file has uncorrect format");
    EXPECT_EQ(load_bytes(grey_file(16, 0, 1, {})).message, "Demo file has uncorrect format");
}

TEST(DemoFile, ShortLzwStripIsAnLzwError) {
    std::vector<uint8_t> strip = lzw_codes({256, 5, 6, 257});
    auto counts = [&](TiffBuilder& b, uint32_t) {
        b.add(279, kLong, 1, static_cast<uint32_t>(strip.size()));
    };
    DemoLoad load = load_bytes(grey_file(10, 1244, 5, strip, counts));
    EXPECT_FALSE(load.loaded);
    EXPECT_EQ(load.status, TiffStatus::lzw_error);
    EXPECT_EQ(load.message, "LZW error in file : C:\\KX\\DEMO0001.TIF");
}

TEST(Lzw, InvalidCodesAndLengthsAreErrors) {
    std::vector<uint8_t> out(4);
    EXPECT_EQ(decode_lzw(lzw_codes({256, 65, 66, 258, 257}), out), LzwResult::ok);
    EXPECT_EQ(out, (std::vector<uint8_t>{65, 66, 65, 66}));
    EXPECT_EQ(decode_lzw(lzw_codes({256, 300, 257}), out), LzwResult::bad_code);
    EXPECT_EQ(decode_lzw(lzw_codes({256, 65, 270, 257}), out), LzwResult::bad_code);
    EXPECT_EQ(decode_lzw(lzw_codes({256, 65, 258, 258, 257}), out), LzwResult::too_long);
    EXPECT_EQ(decode_lzw(lzw_codes({256, 65, 258, 257}), out), LzwResult::too_short);  // AAA
    // The string being defined (KwKwK): A, then AA.
    std::vector<uint8_t> three(3);
    EXPECT_EQ(decode_lzw(lzw_codes({256, 65, 258, 257}), three), LzwResult::ok);
    EXPECT_EQ(three, (std::vector<uint8_t>{65, 65, 65}));
    EXPECT_EQ(decode_lzw({}, three), LzwResult::too_short);
}

TEST(DemoFile, OffsetsAndCountsOutsideTheFileAreReadErrors) {
    std::vector<uint8_t> pixels = ramp(16, 1244);
    // Strip beyond the end.
    DemoLoad load = load_bytes(grey_file(
        16, 1244, 1, pixels, [](TiffBuilder& b, uint32_t) { b.add(273, kLong, 1, 0x7FFFFFF0); }));
    EXPECT_EQ(load.message, message(TiffStatus::cannot_read));

    // Directory beyond the end.
    std::vector<uint8_t> file = grey_file(16, 1244, 1, pixels);
    file[4] = 0xF0;
    file[7] = 0x7F;
    EXPECT_EQ(load_bytes(file).message, message(TiffStatus::cannot_read));

    // A directory claiming 65535 entries.
    file = grey_file(16, 1244, 1, pixels);
    file[8] = file[9] = 0xFF;
    EXPECT_EQ(load_bytes(file).message, message(TiffStatus::cannot_read));

    // Strip arrays claiming four thousand million elements.
    load = load_bytes(grey_file(16, 1244, 5, pixels, [](TiffBuilder& b, uint32_t at) {
        b.add(273, kLong, 0xFFFFFFFF, at);
        b.add(279, kLong, 0xFFFFFFFF, at);
    }));
    EXPECT_EQ(load.message, message(TiffStatus::bad_format));

    // A byte count larger than the file.
    load = load_bytes(grey_file(
        16, 1244, 5, pixels, [](TiffBuilder& b, uint32_t) { b.add(279, kLong, 1, 0xFFFFFF00); }));
    EXPECT_EQ(load.message, message(TiffStatus::cannot_read));

    // BitsPerSample with a huge count.
    load = load_bytes(grey_file(
        16, 1244, 1, pixels, [](TiffBuilder& b, uint32_t) { b.add(258, kShort, 0x40000000, 8); }));
    EXPECT_EQ(load.message, "Demo file has uncorrect format");
}

TEST(DemoFile, HugeHeightInAFewBytesIsRefusedQuickly) {
    // One LZW strip claiming 4000 x 4e9 pixels from 12 bytes.
    std::vector<uint8_t> strip = lzw_codes({256, 0, 258, 259, 260, 261, 262, 257});
    DemoLoad load = load_bytes(grey_file(4000, 0xF0000000, 5, strip, [&](TiffBuilder& b, uint32_t) {
        b.add(279, kLong, 1, static_cast<uint32_t>(strip.size()));
    }));
    EXPECT_FALSE(load.loaded);
    EXPECT_EQ(load.message, message(TiffStatus::lzw_error));
}

TEST(DemoFile, DirectoryChainsEndAtALoopOrTheLimit) {
    std::vector<uint8_t> pixels = ramp(16, 1244);
    std::vector<uint8_t> file = grey_file(16, 1244, 1, pixels);
    uint32_t dir = file[4] | file[5] << 8 | file[6] << 16 | file[7] << 24;
    uint16_t entries = static_cast<uint16_t>(file[dir] | file[dir + 1] << 8);
    size_t next = dir + 2 + 12 * entries;
    for (int i = 0; i < 4; ++i)
        file[next + i] = file[4 + i];  // points at itself
    EXPECT_TRUE(load_bytes(file).loaded);

    // A chain longer than the limit whose image sits past it.
    TiffBuilder b;
    std::vector<uint8_t> chain(8);
    auto put = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            chain.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    for (int d = 0; d < kMaxDirectories + 1; ++d) {
        put(1, 2);
        put(254, 2), put(kLong, 2), put(1, 4), put(d < kMaxDirectories ? 1 : 0, 4);
        put(d < kMaxDirectories ? static_cast<uint32_t>(chain.size() + 4) : 0, 4);
    }
    chain[0] = chain[1] = 'I';
    chain[2] = 42;
    chain[4] = 8;
    EXPECT_EQ(load_bytes(chain).message, message(TiffStatus::image_not_found));
}

TEST(DemoFile, LayoutsThatWouldScrambleTheImageAreRefused) {
    std::vector<uint8_t> pixels = ramp(16, 1244);
    auto refused = [&](const std::function<void(TiffBuilder&, uint32_t)>& edit) {
        return load_bytes(grey_file(16, 1244, 1, pixels, edit)).message;
    };
    EXPECT_EQ(refused([](TiffBuilder& b, uint32_t) { b.add(262, kShort, 1, 3); }),
              "Demo file has uncorrect format");  // palette without its colour map
    EXPECT_EQ(refused([](TiffBuilder& b, uint32_t) { b.add(258, kShort, 1, 7); }),
              "Demo file has uncorrect format");
    EXPECT_EQ(refused([](TiffBuilder& b, uint32_t at) {
                  b.add(273, kLong, 1, at);
                  b.add(278, kLong, 1, 0);
              }),
              message(TiffStatus::bad_format));
}

// Rows of an image `width` wide, as the loader leaves them: the file's bottom row first.
std::vector<uint8_t> bottom_rows(const std::vector<uint8_t>& pixels, uint32_t width) {
    std::vector<uint8_t> rows;
    for (size_t end = pixels.size(); rows.size() < size_t{width} * kDemoRows; end -= width)
        rows.insert(rows.end(), pixels.begin() + (end - width), pixels.begin() + end);
    return rows;
}

bool holds_bottom_rows(const std::vector<uint8_t>& dest, const std::vector<uint8_t>& pixels,
                       uint32_t width) {
    return std::equal(dest.begin(), dest.begin() + width * kDemoRows,
                      bottom_rows(pixels, width).begin());
}

// Only the geometry is judged before the rows are read; the compression is judged with
// the strips, and that refusal names the file.
TEST(DemoFile, UnsupportedCompressionIsRefusedWithTheStrips) {
    auto file = [](uint32_t w, uint32_t h) { return grey_file(w, h, 7, ramp(w, h)); };
    EXPECT_EQ(load_bytes(file(4001, 1244)).message, "Demo file : uncorrect image width");
    EXPECT_EQ(load_bytes(file(16, 1243)).message, "Demo file : uncorrect image height");
    EXPECT_EQ(load_bytes(file(16, 1244)).message, message(TiffStatus::bad_format));
}

// Editors save grey pictures with a grey-ramp palette: its indices are the grey levels.
// Any other palette is shown as the luma of its colours.
TEST(DemoFile, PaletteImagesAreShownInGrey) {
    const std::vector<uint8_t> pixels = ramp(16, 1244);
    auto palette_file = [&](uint16_t (*colour)(int channel, int index)) {
        std::vector<uint8_t> map;
        for (int channel = 0; channel < 3; ++channel)
            for (int index = 0; index < 256; ++index) {
                uint16_t level = colour(channel, index);
                map.insert(map.end(), {static_cast<uint8_t>(level), static_cast<uint8_t>(level >> 8)});
            }
        return grey_file(16, 1244, 1, pixels, [&](TiffBuilder& b, uint32_t) {
            b.add(262, kShort, 1, 3);
            b.add_block(320, kShort, 768, map);
        });
    };
    std::vector<uint8_t> dest;
    auto grey_ramp = [](int, int index) { return static_cast<uint16_t>(index * 257); };
    auto grey_ramp_8_bit = [](int, int index) { return static_cast<uint16_t>(index); };
    for (auto ramp_file : {palette_file(grey_ramp), palette_file(grey_ramp_8_bit)}) {
        ASSERT_TRUE(load_bytes(ramp_file, &dest).loaded);
        EXPECT_TRUE(holds_bottom_rows(dest, pixels, 16));
    }

    auto inverted = [](int, int index) { return static_cast<uint16_t>((255 - index) << 8); };
    ASSERT_TRUE(load_bytes(palette_file(inverted), &dest).loaded);
    std::vector<uint8_t> expected = pixels;
    for (uint8_t& v : expected)
        v = static_cast<uint8_t>(255 - v);
    EXPECT_TRUE(holds_bottom_rows(dest, expected, 16));

    // Even indices pure red, odd ones pure green.
    auto red_green = [](int channel, int index) {
        return static_cast<uint16_t>(channel == index % 2 ? 0xFFFF : 0);
    };
    ASSERT_TRUE(load_bytes(palette_file(red_green), &dest).loaded);
    for (uint8_t& v : expected = pixels)
        v = v % 2 ? 150 : 76;
    EXPECT_TRUE(holds_bottom_rows(dest, expected, 16));
}

// Uncompressed strips of `rows_per_strip` rows, 4 pixels wide.
std::vector<uint8_t> striped_file(const std::vector<uint8_t>& pixels, uint32_t height,
                                  uint32_t rows_per_strip) {
    TiffBuilder b;
    const uint32_t at = b.block(pixels);
    std::vector<uint32_t> offsets, counts;
    for (uint32_t top = 0; top < height; top += rows_per_strip) {
        offsets.push_back(at + top * 4);
        counts.push_back(std::min(rows_per_strip, height - top) * 4);
    }
    b.add(256, kLong, 1, 4);
    b.add(257, kLong, 1, height);
    b.add(258, kShort, 1, 8);
    b.add(278, kLong, 1, rows_per_strip);
    const auto strips = static_cast<uint32_t>(offsets.size());
    b.add_block(273, kLong, strips, np::testing::le32_array(offsets));
    b.add_block(279, kLong, strips, np::testing::le32_array(counts));
    return b.build();
}

// The strip limit counts the strips holding the bottom 1244 rows, not those above them.
TEST(DemoFile, StripLimitCountsOnlyTheStripsRead) {
    std::vector<uint8_t> pixels = ramp(4, 2200), dest;
    ASSERT_TRUE(load_bytes(striped_file(pixels, 2200, 2), &dest).loaded);  // 1100 strips
    EXPECT_TRUE(holds_bottom_rows(dest, pixels, 4));

    pixels = ramp(4, 1300);
    EXPECT_EQ(load_bytes(striped_file(pixels, 1300, 1)).message, message(TiffStatus::bad_format));
}

void put_le(std::vector<uint8_t>& file, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        file.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Appends a directory of (tag, type, value) entries of count 1; returns its offset.
uint32_t append_directory(std::vector<uint8_t>& file,
                          std::initializer_list<std::array<uint32_t, 3>> entries, uint32_t next) {
    const auto at = static_cast<uint32_t>(file.size());
    put_le(file, static_cast<uint32_t>(entries.size()), 2);
    for (const auto& [tag, type, value] : entries) {
        put_le(file, tag, 2), put_le(file, type, 2), put_le(file, 1, 4), put_le(file, value, 4);
    }
    put_le(file, next, 4);
    return at;
}

void set_first_directory(std::vector<uint8_t>& file, uint32_t offset) {
    for (int i = 0; i < 4; ++i)
        file[4 + i] = static_cast<uint8_t>(offset >> (8 * i));
}

TEST(DemoFile, ThumbnailBeforeTheImageIsPassedOver) {
    const std::vector<uint8_t> pixels = ramp(16, 1244);
    std::vector<uint8_t> file = grey_file(16, 1244, 1, pixels);
    const uint32_t image = file[4] | file[5] << 8 | file[6] << 16 | file[7] << 24;
    // A thumbnail of its own size and rows, as a reader taking it would show them.
    set_first_directory(file, append_directory(file,
                                               {{254, kLong, 1},
                                                {256, kLong, 8},
                                                {257, kLong, 1244},
                                                {258, kShort, 8},
                                                {273, kLong, 0}},
                                               image));
    std::vector<uint8_t> dest;
    DemoLoad load = load_bytes(file, &dest);
    ASSERT_TRUE(load.loaded) << load.message;
    EXPECT_EQ(load.width, 16u);
    EXPECT_TRUE(holds_bottom_rows(dest, pixels, 16));
}

class BrokenToolFiles : public ::testing::Test {
  protected:
    TempDir dir;
    std::vector<uint8_t> tool_file(const std::string& make) {
        run(make + " " + dir.path("f.tif"));
        return read_file(dir.path("f.tif"));
    }
    std::vector<uint8_t> jpeg_file(const std::string& options) {
        run("convert -size 40x1244 -seed 2 plasma:fractal " + dir.path("s.ppm"));
        run("cjpeg " + options + " " + dir.path("s.ppm") + " > " + dir.path("s.jpg"));
        return np::testing::wrap_jpeg_in_tiff(read_file(dir.path("s.jpg")), 40, 1244,
                                              options.find("grayscale") == std::string::npos);
    }
    static void expect_refused_with_its_message(const std::vector<uint8_t>& file) {
        DemoLoad load = load_bytes(file);
        ASSERT_FALSE(load.loaded);
        EXPECT_TRUE(load.status == TiffStatus::cannot_read ||
                    load.status == TiffStatus::bad_format || load.status == TiffStatus::lzw_error)
            << static_cast<int>(load.status);
        if (load.message != "Demo file has uncorrect format") {
            EXPECT_EQ(load.message, message(load.status));
        }
    }
};

TEST_F(BrokenToolFiles, TruncatedAtEverySeventhByte) {
    std::vector<std::vector<uint8_t>> files = {
        tool_file(
            "convert -size 48x1244 -seed 1 plasma:fractal -type Grayscale -depth 8 -compress LZW"),
        jpeg_file("-sample 2x2 -restart 2B"),
    };
    // Directory first, uncompressed strips of 100 rows after it.
    std::vector<uint8_t> pixels = ramp(24, 1244);
    TiffBuilder b(8);
    std::vector<uint32_t> offsets, counts;
    for (uint32_t row = 0; row < 1244; row += 100) {
        uint32_t rows = std::min(100u, 1244 - row);
        offsets.push_back(b.block({pixels.begin() + row * 24, pixels.begin() + (row + rows) * 24}));
        counts.push_back(rows * 24);
    }
    b.add(256, kLong, 1, 24);
    b.add(257, kLong, 1, 1244);
    b.add(258, kShort, 1, 8);
    b.add(278, kLong, 1, 100);
    b.add_block(273, kLong, static_cast<uint32_t>(offsets.size()),
                np::testing::le32_array(offsets));
    b.add_block(279, kLong, static_cast<uint32_t>(counts.size()), np::testing::le32_array(counts));
    files.push_back(b.build());

    for (const auto& file : files) {
        ASSERT_TRUE(load_bytes(file).loaded);
        for (size_t n = 0; n < file.size(); n += 7) {
            SCOPED_TRACE(n);
            expect_refused_with_its_message({file.begin(), file.begin() + n});
        }
    }
}

TEST_F(BrokenToolFiles, DamagedJpegStreamsAreFormatErrors) {
    std::vector<uint8_t> good = jpeg_file("-grayscale");
    ASSERT_TRUE(load_bytes(good).loaded);
    uint32_t stream = 0;
    while (!(good[stream] == 0xFF && good[stream + 1] == 0xD8))
        ++stream;
    auto find = [&](uint8_t marker) {
        size_t i = stream;
        while (!(good[i] == 0xFF && good[i + 1] == marker))
            ++i;
        return i;
    };
    std::vector<uint8_t> f = good;
    f[find(0xC4) + 5] = 3;  // impossible code lengths
    EXPECT_EQ(load_bytes(f).message, message(TiffStatus::bad_format));
    f = good;
    f[stream + 1] = 0x00;  // no SOI
    EXPECT_EQ(load_bytes(f).message, message(TiffStatus::bad_format));
    f = good;
    f[find(0xDA) + 1] = 0xFE;  // scan hidden in a comment: no image data
    EXPECT_EQ(load_bytes(f).message, message(TiffStatus::bad_format));
    f = good;
    f[find(0xC0) + 6] ^= 1;  // frame width no longer the directory's
    EXPECT_EQ(load_bytes(f).message, message(TiffStatus::bad_format));
}

TEST_F(BrokenToolFiles, RandomDamageNeverEscapesTheBuffers) {
    std::vector<std::vector<uint8_t>> files = {
        tool_file(
            "convert -size 32x1244 -seed 1 plasma:fractal -type Grayscale -depth 8 -compress LZW"),
        tool_file(
            "convert -size 32x1244 -seed 1 plasma:fractal -type TrueColor -depth 8 -compress None"),
        jpeg_file("-sample 2x1 -restart 1B"),
    };
    std::mt19937 random(99);
    for (const auto& good : files) {
        for (int trial = 0; trial < 150; ++trial) {
            std::vector<uint8_t> f = good;
            int flips = 1 + static_cast<int>(random() % 6);
            for (int i = 0; i < flips; ++i) {
                // Bias towards the directory and headers, where damage matters most.
                size_t at = random() % 2
                                ? random() % f.size()
                                : f.size() - 1 - random() % std::min<size_t>(f.size(), 300);
                f[at] = static_cast<uint8_t>(random());
            }
            load_bytes(f);
        }
    }
}

}  // namespace
}  // namespace np::tiff
