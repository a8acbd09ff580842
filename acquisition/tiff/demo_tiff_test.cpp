// The loader's checks and messages, and files broken in the ways that matter.
#include "acquisition/tiff/demo_tiff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <tuple>

#include "acquisition/tiff/demo_messages.h"
#include "acquisition/tiff/tiff_directory.h"
#include "acquisition/tiff/tiff_lzw.h"
#include "tools/tool_images/tool_images.h"

namespace np::tiff {
namespace {

using np::testing::read_file;
using np::testing::run;
using np::testing::TempDir;
using np::testing::TiffBuilder;

constexpr const char* kPath = "C:\\KX\\DEMO0001.TIF";

// Files held in memory, by path.
class MemoryFiles : public FileAccess {
  public:
    std::map<std::string, std::vector<uint8_t>> files;
    bool exists(const std::string& path) override { return files.count(path) != 0; }
    std::unique_ptr<ByteSource> open(const std::string& path) override {
        auto it = files.find(path);
        return it == files.end() ? nullptr : std::make_unique<MemorySource>(it->second);
    }
};
constexpr uint16_t kShort = 3, kLong = 4;

DemoLoad load_bytes(const std::vector<uint8_t>& bytes, std::vector<uint8_t>* dest_out = nullptr) {
    MemoryFiles files;
    files.files[kPath] = bytes;
    static std::vector<uint8_t> dest(kDemoBufferSize);
    if (dest_out) std::fill(dest.begin(), dest.end(), 0xAB);
    DemoLoad load = load_demo_tiff(files, kPath, dest);
    if (dest_out) *dest_out = dest;
    return load;
}

std::string message(TiffStatus status) {
    return status_message(status, kPath);
}

// An 8-bit grey image of one strip without byte counts; `more` adds or replaces entries.
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

// Whether `dest` holds the bottom 1244 rows of the image, the bottom row first.
bool holds_bottom_rows(const std::vector<uint8_t>& dest, const std::vector<uint8_t>& pixels,
                       uint32_t width) {
    for (uint32_t r = 0; r < kDemoRows; ++r) {
        auto row = pixels.end() - std::ptrdiff_t{width} * (r + 1);
        if (!std::equal(row, row + width, dest.begin() + std::ptrdiff_t{width} * r)) return false;
    }
    return true;
}

// Directory first, then uncompressed strips of `rows_per_strip` rows with their counts.
std::vector<uint8_t> striped_file(const std::vector<uint8_t>& pixels, uint32_t width,
                                  uint32_t height, uint32_t rows_per_strip) {
    TiffBuilder b(8);
    const uint32_t at = b.block(pixels);
    std::vector<uint32_t> offsets, counts;
    for (uint32_t top = 0; top < height; top += rows_per_strip) {
        offsets.push_back(at + top * width);
        counts.push_back(std::min(rows_per_strip, height - top) * width);
    }
    b.add(256, kLong, 1, width);
    b.add(257, kLong, 1, height);
    b.add(258, kShort, 1, 8);
    b.add(278, kLong, 1, rows_per_strip);
    const auto strips = static_cast<uint32_t>(offsets.size());
    b.add_block(273, kLong, strips, np::testing::le32_array(offsets));
    b.add_block(279, kLong, strips, np::testing::le32_array(counts));
    return b.build();
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

uint32_t first_directory(const std::vector<uint8_t>& file) {
    return file[4] | file[5] << 8 | file[6] << 16 | uint32_t{file[7]} << 24;
}

void set_first_directory(std::vector<uint8_t>& file, uint32_t offset) {
    for (int i = 0; i < 4; ++i)
        file[4 + i] = static_cast<uint8_t>(offset >> (8 * i));
}

TEST(DemoFile, MissingOrMisnamedFilesAreRefusedByName) {
    MemoryFiles files;
    std::vector<uint8_t> dest(kDemoBufferSize);
    EXPECT_EQ(load_demo_tiff(files, kPath, dest).message,
              "Cannot open file : " + std::string(kPath));
    files.files["C:\\KX\\DEMO0001.BMP"] = {1, 2, 3};
    EXPECT_EQ(load_demo_tiff(files, "C:\\KX\\DEMO0001.BMP", dest).message,
              "Demo file is not a TIFF file");

    EXPECT_TRUE(has_tiff_extension("C:\\a.b\\x.TiF"));
    EXPECT_FALSE(has_tiff_extension("C:\\KX.tif\\DEMO0001"));
    EXPECT_FALSE(has_tiff_extension("demo.tiff"));
    EXPECT_FALSE(has_tiff_extension("C:\\KX\\DEMO0001"));
}

// Only the geometry is judged before the rows are read; an unknown compression (7) is
// judged with the strips, and that refusal names the file.
TEST(DemoFile, WidthAndHeightLimitsComeBeforeTheCompression) {
    for (const uint16_t compression : {1, 7}) {
        auto file = [&](uint32_t w, uint32_t h) {
            return grey_file(w, h, compression, ramp(w, h));
        };
        EXPECT_EQ(load_bytes(file(4001, 1244)).message, "Demo file : uncorrect image width");
        EXPECT_EQ(load_bytes(file(16, 1243)).message, "Demo file : uncorrect image height");
    }
    EXPECT_EQ(load_bytes(grey_file(16, 1244, 7, ramp(16, 1244))).message,
              message(TiffStatus::bad_format));
    DemoLoad load = load_bytes(grey_file(4000, 1244, 1, ramp(4000, 1244)));
    EXPECT_TRUE(load.loaded) << load.message;
    EXPECT_EQ(load.width, 4000u);
    EXPECT_EQ(load_bytes(grey_file(0, 1244, 1, {})).message, "Demo file has uncorrect format");
    EXPECT_EQ(load_bytes(grey_file(16, 0, 1, {})).message, "Demo file has uncorrect format");
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
    EXPECT_EQ(refused([](TiffBuilder& b, uint32_t) { b.add(278, kLong, 1, 0); }),
              message(TiffStatus::bad_format));
}

// Editors save grey pictures with a grey-ramp palette (16- or 8-bit levels): its indices
// are the grey levels. Any other palette is shown as the luma of its colours; an inverted
// grey palette as WhiteIsZero is.
TEST(DemoFile, PaletteAndWhiteIsZeroImagesAreShownInGrey) {
    const std::vector<uint8_t> pixels = ramp(16, 1244);
    std::vector<uint8_t> inverted = pixels, red_green = pixels, dest;
    for (size_t i = 0; i < pixels.size(); ++i) {
        inverted[i] = static_cast<uint8_t>(255 - pixels[i]);
        red_green[i] = pixels[i] % 2 ? 150 : 76;  // odd indices pure green, even pure red
    }
    const std::pair<uint16_t (*)(int, int), const std::vector<uint8_t>*> palettes[] = {
        {[](int, int i) { return static_cast<uint16_t>(i * 257); }, &pixels},
        {[](int, int i) { return static_cast<uint16_t>(i); }, &pixels},
        {[](int, int i) { return static_cast<uint16_t>((255 - i) << 8); }, &inverted},
        {[](int c, int i) { return static_cast<uint16_t>(c == i % 2 ? 0xFFFF : 0); }, &red_green}};
    for (const auto& [colour, expected] : palettes) {
        std::vector<uint8_t> map;
        for (int channel = 0; channel < 3; ++channel)
            for (int index = 0; index < 256; ++index)
                put_le(map, colour(channel, index), 2);
        auto palette = [&](TiffBuilder& b, uint32_t) {
            b.add(262, kShort, 1, 3);
            b.add_block(320, kShort, 768, map);
        };
        ASSERT_TRUE(load_bytes(grey_file(16, 1244, 1, pixels, palette), &dest).loaded);
        EXPECT_TRUE(holds_bottom_rows(dest, *expected, 16));
    }
    auto white_is_zero = [](TiffBuilder& b, uint32_t) { b.add(262, kShort, 1, 0); };
    ASSERT_TRUE(load_bytes(grey_file(16, 1244, 1, pixels, white_is_zero), &dest).loaded);
    EXPECT_TRUE(holds_bottom_rows(dest, inverted, 16));
}

// The strip limit counts the strips holding the bottom 1244 rows, not those above them; a
// taller file keeps its bottom rows, even from a strip it shares with the rows above.
TEST(DemoFile, StripLimitCountsOnlyTheStripsRead) {
    std::vector<uint8_t> pixels = ramp(4, 3300), dest;
    ASSERT_TRUE(load_bytes(striped_file(pixels, 4, 3300, 3), &dest).loaded);  // 1100 strips
    EXPECT_TRUE(holds_bottom_rows(dest, pixels, 4));
    EXPECT_EQ(dest[4 * kDemoRows], 0xAB) << "nothing past the last row";

    pixels = ramp(4, 1300);
    EXPECT_EQ(load_bytes(striped_file(pixels, 4, 1300, 1)).message,
              message(TiffStatus::bad_format));
}

TEST(DemoFile, ThumbnailBeforeTheImageIsPassedOver) {
    const std::vector<uint8_t> pixels = ramp(16, 1244);
    std::vector<uint8_t> file = grey_file(16, 1244, 1, pixels);
    // A thumbnail of its own size and rows, as a reader taking it would show them.
    set_first_directory(file, append_directory(file,
                                               {{254, kLong, 1},
                                                {256, kLong, 8},
                                                {257, kLong, 1244},
                                                {258, kShort, 8},
                                                {273, kLong, 0}},
                                               first_directory(file)));
    std::vector<uint8_t> dest;
    DemoLoad load = load_bytes(file, &dest);
    ASSERT_TRUE(load.loaded) << load.message;
    EXPECT_EQ(load.width, 16u);
    EXPECT_TRUE(holds_bottom_rows(dest, pixels, 16));
}

TEST(DemoFile, DirectoryChainsEndAtALoopOrTheLimit) {
    std::vector<uint8_t> file = grey_file(16, 1244, 1, ramp(16, 1244));
    const uint32_t image = first_directory(file);
    const size_t next = image + 2 + 12 * (file[image] | file[image + 1] << 8);
    std::copy_n(file.begin() + 4, 4, file.begin() + next);  // the directory points at itself
    EXPECT_TRUE(load_bytes(file).loaded);

    // A chain longer than the limit whose only image sits past it.
    std::vector<uint8_t> chain = {'I', 'I', 42, 0, 0, 0, 0, 0};
    uint32_t at = 0;
    for (int d = kMaxDirectories; d >= 0; --d)
        at = append_directory(chain, {{254, kLong, d < kMaxDirectories ? 1u : 0u}}, at);
    set_first_directory(chain, at);
    EXPECT_EQ(load_bytes(chain).message, message(TiffStatus::image_not_found));
}

TEST(Lzw, InvalidCodesAndLengthsAreErrors) {
    std::vector<uint8_t> out(4);
    EXPECT_EQ(decode_lzw(lzw_codes({256, 65, 66, 258, 257}), out), LzwResult::ok);
    EXPECT_EQ(out, (std::vector<uint8_t>{65, 66, 65, 66}));
    EXPECT_EQ(decode_lzw(lzw_codes({256, 300, 257}), out), LzwResult::bad_code);
    EXPECT_EQ(decode_lzw(lzw_codes({256, 65, 270, 257}), out), LzwResult::bad_code);
    EXPECT_EQ(decode_lzw(lzw_codes({256, 65, 258, 258, 257}), out), LzwResult::too_long);
    EXPECT_EQ(decode_lzw(lzw_codes({256, 65, 258, 257}), out), LzwResult::too_short);  // AAA
    EXPECT_EQ(decode_lzw({}, out), LzwResult::too_short);
}

// Counts claiming far more than the file holds are refused before anything is allocated.
TEST(DemoFile, HugeCountsAreRefusedQuickly) {
    std::vector<uint8_t> pixels = ramp(16, 1244);
    DemoLoad load = load_bytes(grey_file(16, 1244, 5, pixels, [](TiffBuilder& b, uint32_t at) {
        b.add(273, kLong, 0xFFFFFFFF, at);
        b.add(279, kLong, 0xFFFFFFFF, at);
    }));
    EXPECT_EQ(load.message, message(TiffStatus::bad_format));
    load = load_bytes(grey_file(
        16, 1244, 5, pixels, [](TiffBuilder& b, uint32_t) { b.add(279, kLong, 1, 0xFFFFFF00); }));
    EXPECT_EQ(load.message, message(TiffStatus::cannot_read));
    load = load_bytes(grey_file(
        16, 1244, 1, pixels, [](TiffBuilder& b, uint32_t) { b.add(258, kShort, 0x40000000, 8); }));
    EXPECT_EQ(load.message, "Demo file has uncorrect format");

    // An LZW strip too short for its rows, and one claiming 4000 x 4e9 pixels from 12 bytes.
    for (const auto& [width, height, strip] :
         {std::tuple{10u, 1244u, lzw_codes({256, 5, 6, 257})},
          std::tuple{4000u, 0xF0000000u, lzw_codes({256, 0, 258, 259, 260, 261, 262, 257})}}) {
        load = load_bytes(grey_file(width, height, 5, strip, [&](TiffBuilder& b, uint32_t) {
            b.add(279, kLong, 1, static_cast<uint32_t>(strip.size()));
        }));
        EXPECT_EQ(load.status, TiffStatus::lzw_error);
        EXPECT_EQ(load.message, "LZW error in file : C:\\KX\\DEMO0001.TIF");
    }
}

class ToolFiles : public ::testing::Test {
  protected:
    TempDir dir;
    std::vector<uint8_t> jpeg_file(const std::string& options) {
        run("convert -size 40x1244 -seed 2 plasma:fractal " + dir.path("s.ppm"));
        run("cjpeg " + options + " " + dir.path("s.ppm") + " > " + dir.path("s.jpg"));
        return np::testing::wrap_jpeg_in_tiff(read_file(dir.path("s.jpg")), 40, 1244,
                                              options.find("grayscale") == std::string::npos);
    }
};

// Every cut is refused, with the message of its code; nothing truncated passes as an image.
TEST_F(ToolFiles, TruncatedFilesAreRefusedWithTheirMessage) {
    run("convert -size 48x1244 -seed 1 plasma:fractal -type Grayscale -depth 8 -compress LZW " +
        dir.path("f.tif"));
    const std::vector<uint8_t> files[] = {read_file(dir.path("f.tif")),
                                          jpeg_file("-sample 2x2 -restart 2B"),
                                          striped_file(ramp(24, 1244), 24, 1244, 100)};
    for (const auto& file : files) {
        ASSERT_TRUE(load_bytes(file).loaded);
        for (size_t n = 0; n < file.size(); n += 7) {
            SCOPED_TRACE(n);
            DemoLoad load = load_bytes({file.begin(), file.begin() + n});
            ASSERT_FALSE(load.loaded);
            EXPECT_TRUE(load.status == TiffStatus::cannot_read ||
                        load.status == TiffStatus::bad_format ||
                        load.status == TiffStatus::lzw_error)
                << static_cast<int>(load.status);
            if (load.message != "Demo file has uncorrect format") {
                EXPECT_EQ(load.message, message(load.status));
            }
        }
    }
}

TEST_F(ToolFiles, DamagedJpegStreamsAreFormatErrors) {
    const std::vector<uint8_t> good = jpeg_file("-grayscale");
    auto damaged = [&](uint8_t marker, size_t at, uint8_t value) {
        std::vector<uint8_t> f = good;
        size_t i = 0;
        while (!(f[i] == 0xFF && f[i + 1] == marker))
            ++i;
        f[i + at] = value;
        return load_bytes(f).message;
    };
    // The decoder's own refusals (jpeg_decoder_test) are format errors too.
    EXPECT_EQ(damaged(0xC4, 5, 3), message(TiffStatus::bad_format));  // impossible code lengths
    // Frame one pixel narrower than the directory's image.
    EXPECT_EQ(damaged(0xC0, 8, 39), message(TiffStatus::bad_format));
}

}  // namespace
}  // namespace np::tiff
