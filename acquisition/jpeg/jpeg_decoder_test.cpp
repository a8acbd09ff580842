#include "acquisition/jpeg/jpeg_decoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "acquisition/jpeg/jpeg_huffman.h"
#include "acquisition/jpeg/jpeg_idct.h"
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

    void expect_like_djpeg(const std::string& options) {
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

    static TempDir* dir;
};
TempDir* JpegFromCjpeg::dir = nullptr;

TEST_F(JpegFromCjpeg, GreyMatchesDjpeg) {
    expect_like_djpeg("-grayscale -quality 90");
    expect_like_djpeg("-grayscale -quality 50 -optimize");
}

TEST_F(JpegFromCjpeg, ColourLumaMatchesDjpegForUsualSamplings) {
    expect_like_djpeg("-sample 2x2 -quality 85");
    expect_like_djpeg("-sample 2x1 -quality 95");
    expect_like_djpeg("-sample 1x1 -quality 75");
    expect_like_djpeg("-sample 1x2 -quality 80");
}

TEST_F(JpegFromCjpeg, RestartMarkersAreFollowed) {
    expect_like_djpeg("-grayscale -restart 3B");
    expect_like_djpeg("-sample 2x2 -restart 1");
    expect_like_djpeg("-sample 2x2 -restart 1B");
}

TEST_F(JpegFromCjpeg, ComponentsInSeparateScansAreDecoded) {
    // A sequential script: one scan per component, luma not first.
    std::string script = dir->path("scans.txt");
    run("printf '1: 0 63 0 0;\\n0: 0 63 0 0;\\n2: 0 63 0 0;\\n' > " + script);
    expect_like_djpeg("-sample 2x2 -scans " + script);
}

size_t find_marker(const std::vector<uint8_t>& s, uint8_t marker) {
    for (size_t i = 0; i + 1 < s.size(); ++i) {
        if (s[i] == 0xFF && s[i + 1] == marker) return i;
    }
    ADD_FAILURE() << "marker not found";
    return 0;
}

TEST_F(JpegFromCjpeg, BrokenStreamsAreRefused) {
    const std::vector<uint8_t> good = encode("-sample 2x2 -restart 1B");
    Collect out;
    ASSERT_EQ(decode_grey(good, out), Status::ok);

    auto status_of = [](std::vector<uint8_t> s) {
        Collect sink;
        return decode_grey(s, sink);
    };
    std::vector<uint8_t> s = good;
    s[1] = 0xD9;
    EXPECT_EQ(status_of(s), Status::bad_marker) << "no SOI";

    s = good;
    s[find_marker(s, 0xC0) + 1] = 0xE5;
    EXPECT_EQ(status_of(s), Status::bad_marker) << "scan without frame";

    s = good;
    s[find_marker(s, 0xC0) + 1] = 0xC2;
    EXPECT_EQ(status_of(s), Status::unsupported) << "progressive";

    s = good;
    s[find_marker(s, 0xC4) + 5] = 3;  // three codes of length 1 cannot exist
    EXPECT_EQ(status_of(s), Status::bad_huffman);

    s = good;
    s[find_marker(s, 0xC4) + 5] = 200;  // more symbols than the segment holds
    EXPECT_EQ(status_of(s), Status::bad_huffman);

    s = good;
    s[find_marker(s, 0xDA) + 6] = 0x33;  // luma coded with a table never defined
    EXPECT_EQ(status_of(s), Status::bad_huffman);

    s = good;
    size_t rst =
        find_marker(std::vector<uint8_t>(s.begin() + find_marker(s, 0xDA), s.end()), 0xD0) +
        find_marker(s, 0xDA);
    s[rst + 1] = 0xD3;  // restart out of sequence
    EXPECT_EQ(status_of(s), Status::bad_data);

    s = good;
    s.resize(s.size() - 2);  // no EOI
    EXPECT_EQ(status_of(s), Status::truncated);
}

TEST_F(JpegFromCjpeg, RgbStreamsAreNotTakenForLuma) {
    Collect sink;
    EXPECT_EQ(decode_grey(encode("-rgb"), sink), Status::unsupported);
}

TEST_F(JpegFromCjpeg, TruncatedAnywhereIsRefusedWithoutOverrun) {
    const std::vector<uint8_t> good = encode("-grayscale -quality 60");
    for (size_t n = 0; n < good.size(); n += 7) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + n);
        Collect sink;
        EXPECT_NE(decode_grey(cut, sink), Status::ok) << "cut at " << n;
    }
}

TEST_F(JpegFromCjpeg, RandomDamageNeverEscapesTheBuffers) {
    const std::vector<uint8_t> good = encode("-sample 2x1 -restart 2B");
    std::mt19937 random(1234);
    for (int trial = 0; trial < 400; ++trial) {
        std::vector<uint8_t> s = good;
        int flips = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < flips; ++i)
            s[random() % s.size()] = static_cast<uint8_t>(random());
        Collect sink;
        Status status = decode_grey(s, sink);
        if (status == Status::ok) {
            EXPECT_EQ(sink.rows, sink.frame.height);
        }
    }
}

class Refuse : public GreySink {
  public:
    bool accept_frame(const Frame&) override { return false; }
    void row(uint32_t, std::span<const uint8_t>) override { FAIL() << "row after refusal"; }
};

TEST_F(JpegFromCjpeg, RefusedFrameDeliversNoRow) {
    Refuse sink;
    EXPECT_EQ(decode_grey(encode("-grayscale"), sink), Status::rejected);
}

TEST(Idct, MatchesTheDefinition) {
    std::mt19937 random(7);
    std::array<uint16_t, 64> ones;
    ones.fill(1);
    ScaledQuant scale = scale_quant(ones);
    for (int trial = 0; trial < 200; ++trial) {
        std::array<int, 64> coef{};
        int nonzero = 1 + static_cast<int>(random() % 20);
        for (int i = 0; i < nonzero; ++i)
            coef[random() % 64] = static_cast<int>(random() % 401) - 200;
        float scaled[64];
        for (int i = 0; i < 64; ++i)
            scaled[i] = static_cast<float>(coef[i]) * scale[i];
        uint8_t out[64];
        idct_8x8(scaled, out, 8);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                double sum = 0;
                for (int v = 0; v < 8; ++v) {
                    for (int u = 0; u < 8; ++u) {
                        double cu = u ? 1 : 1 / std::numbers::sqrt2,
                               cv = v ? 1 : 1 / std::numbers::sqrt2;
                        sum += cu * cv * coef[v * 8 + u] *
                               std::cos((2 * x + 1) * u * std::numbers::pi / 16) *
                               std::cos((2 * y + 1) * v * std::numbers::pi / 16);
                    }
                }
                double expected = std::clamp(std::round(sum / 4 + 128), 0.0, 255.0);
                EXPECT_NEAR(out[y * 8 + x], expected, 1.0) << "trial " << trial;
            }
        }
    }
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
