#include "acquisition/jpeg/jpeg_decoder.h"

#include <gtest/gtest.h>

#include <cmath>

#include "acquisition/jpeg/jpeg_huffman.h"
#include "tools/tool_images/tool_images.h"

namespace np::jpeg {
namespace {

using np::testing::read_file;
using np::testing::read_pgm;
using np::testing::run;
using np::testing::TempDir;

class Collect : public GreySink {
  public:
    bool accept_frame(const Frame& f) override {
        frame = f;
        pixels.assign(size_t{f.width} * f.height, 0);
        return true;
    }
    void row(uint32_t y, std::span<const uint8_t> grey) override {
        ASSERT_LT(y, frame.height);
        ASSERT_EQ(grey.size(), frame.width);
        std::copy(grey.begin(), grey.end(), pixels.begin() + size_t{y} * frame.width);
        ++rows;
    }
    Frame frame;
    std::vector<uint8_t> pixels;
    uint32_t rows = 0;
};

int max_difference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i)
        worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

class Refuse : public GreySink {
  public:
    bool accept_frame(const Frame&) override { return false; }
    void row(uint32_t, std::span<const uint8_t>) override { FAIL() << "row after refusal"; }
};

// Odd sizes so that the right and bottom MCUs are partial.
class JpegFromCjpeg : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = new TempDir;
        run("convert -size 317x203 -seed 11 plasma:fractal " + dir->path("src.ppm"));
    }
    static void TearDownTestSuite() { delete dir; }

    std::vector<uint8_t> encode(const std::string& options) {
        std::string jpg = dir->path("x.jpg");
        run("cjpeg " + options + " " + dir->path("src.ppm") + " > " + jpg);
        run("djpeg -grayscale -pnm " + jpg + " > " + dir->path("x.pgm"));
        return read_file(jpg);
    }

    static TempDir* dir;
};
TempDir* JpegFromCjpeg::dir = nullptr;

// Grey and the usual colour samplings, with and without restart markers (every block or
// every few rows), and one scan per component with luma not first.
TEST_F(JpegFromCjpeg, LumaMatchesDjpeg) {
    std::string script = dir->path("scans.txt");
    run("printf '1: 0 63 0 0;\\n0: 0 63 0 0;\\n2: 0 63 0 0;\\n' > " + script);
    for (const std::string& options : std::vector<std::string>{
             "-grayscale -quality 50 -optimize", "-grayscale -restart 3B", "-sample 2x2 -restart 1",
             "-sample 2x1 -quality 95", "-sample 1x1 -quality 75", "-sample 1x2 -restart 1B",
             "-sample 2x2 -scans " + script}) {
        SCOPED_TRACE(options);
        std::vector<uint8_t> stream = encode(options);
        Collect out;
        ASSERT_EQ(decode_grey(stream, out), Status::ok);
        np::testing::GreyImage reference = read_pgm(dir->path("x.pgm"));
        ASSERT_EQ(out.frame.width, reference.width);
        ASSERT_EQ(out.frame.height, reference.height);
        EXPECT_EQ(out.rows, reference.height);
        EXPECT_LE(max_difference(out.pixels, reference.pixels), 2);
    }
}

TEST_F(JpegFromCjpeg, BrokenStreamsAreRefused) {
    const std::vector<uint8_t> good = encode("-sample 2x2 -restart 1B");
    auto status_of = [](const std::vector<uint8_t>& s) {
        Collect sink;
        return decode_grey(s, sink);
    };
    // The stream with byte `at` past the first `marker` (from `from` on) set to `value`.
    auto damaged = [&](uint8_t marker, size_t at, uint8_t value, size_t from = 0) {
        std::vector<uint8_t> s = good;
        size_t i = from;
        while (i + 1 < s.size() && !(s[i] == 0xFF && s[i + 1] == marker))
            ++i;
        if (i + at < s.size()) s[i + at] = value;
        return status_of(s);
    };
    EXPECT_EQ(damaged(0xD8, 1, 0xD9), Status::bad_marker) << "no SOI";
    EXPECT_EQ(damaged(0xC0, 1, 0xE5), Status::bad_marker) << "scan without frame";
    EXPECT_EQ(damaged(0xC0, 1, 0xC2), Status::unsupported) << "progressive";
    EXPECT_EQ(damaged(0xC4, 5, 3), Status::bad_huffman) << "three codes of length 1";
    EXPECT_EQ(damaged(0xC4, 5, 200), Status::bad_huffman) << "more symbols than the segment";
    EXPECT_EQ(damaged(0xDA, 6, 0x33), Status::bad_huffman) << "luma table never defined";
    size_t scan = 0;
    while (!(good[scan] == 0xFF && good[scan + 1] == 0xDA))
        ++scan;
    EXPECT_EQ(damaged(0xD0, 1, 0xD3, scan), Status::bad_data) << "restart out of sequence";
    EXPECT_EQ(status_of({good.begin(), good.end() - 2}), Status::truncated) << "no EOI";
    EXPECT_EQ(status_of(encode("-rgb")), Status::unsupported) << "RGB is not luma";
    Refuse refuse;
    EXPECT_EQ(decode_grey(good, refuse), Status::rejected) << "frame refused by the sink";
}

TEST(Huffman, CodesLongerThanTheLookaheadDecode) {
    // One code of each length 1..16: symbol i is i one bits and a zero.
    std::array<uint8_t, 16> counts;
    counts.fill(1);
    std::vector<uint8_t> symbols(16);
    for (int i = 0; i < 16; ++i)
        symbols[i] = static_cast<uint8_t>(i);
    HuffmanTable table;
    ASSERT_TRUE(table.build(counts, symbols));
    std::vector<uint8_t> bits = {0xFF, 0x00, 0xE0};  // eleven ones then zeros (0xFF is stuffed)
    BitReader reader(bits);
    EXPECT_EQ(table.decode(reader), 11);
    EXPECT_EQ(table.decode(reader), 0);
}

}  // namespace
}  // namespace np::jpeg
