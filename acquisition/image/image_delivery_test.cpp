// The delivery step under Wine: the block the host receives, the adaptation's
// optional steps and the logo, against windows that record what they are sent.
#include "acquisition/image/image_delivery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "acquisition/image/bitmap_layout.h"
#include "acquisition/image/test_support.h"

namespace np::image {
namespace {

constexpr int kLength = 21;  // rows padded to 24 bytes
constexpr int kStride = 24;

struct Received {
    HWND window;
    UINT message;
    WPARAM wparam;
    std::vector<std::uint8_t> block;  // the bitmap as it arrived
};
std::vector<Received> g_received;
HWND g_host = nullptr;

LRESULT CALLBACK recording_window(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != kImageMessage && message != kRawImageMessage)
        return ::DefWindowProcA(window, message, wparam, lparam);
    Received received{window, message, wparam, {}};
    if (message == kImageMessage && wparam) {
        const auto handle = reinterpret_cast<HGLOBAL>(wparam);
        EXPECT_EQ(::GlobalFlags(handle) & GMEM_LOCKCOUNT, 0u) << "delivered locked";
        GlobalLock<std::uint8_t> bytes(handle);
        received.block.assign(bytes.get(), bytes.get() + ::GlobalSize(handle));
    }
    g_received.push_back(std::move(received));
    if (message == kImageMessage && wparam && window == g_host)
        ::GlobalFree(reinterpret_cast<HGLOBAL>(wparam));
    return 0;
}

struct PostProcessCall {
    int width;
    int height;
    std::uint8_t first_pixel;
};
std::vector<PostProcessCall> g_post_calls;
bool record_post_process(std::uint8_t* bits, int width, int height) {
    g_post_calls.push_back({width, height, bits[0]});
    bits[0] = 77;  // must reach the host, under the logo step
    return true;
}

struct TmjCall {
    HGLOBAL dib;
    std::uint8_t program;
};
std::vector<TmjCall> g_tmj_calls;
void record_tmj(HGLOBAL dib, AcquisitionRecord* record) {
    g_tmj_calls.push_back({dib, record->program});
}

HWND recording_window_named(const char* name) {
    static const ATOM kClass = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = recording_window;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "NpImageDeliveryTest";
        return ::RegisterClassA(&wc);
    }();
    EXPECT_NE(kClass, 0);
    return ::CreateWindowExA(0, "NpImageDeliveryTest", name, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             ::GetModuleHandleA(nullptr), nullptr);
}

class Delivery : public ::testing::Test {
  protected:
    void SetUp() override {
        g_received.clear();
        g_post_calls.clear();
        g_tmj_calls.clear();
        host_ = recording_window_named("host");
        console_ = recording_window_named("console");
        g_host = host_;
        raw_.resize(static_cast<std::size_t>(kLength) * kSamplesPerLine);
        for (std::size_t i = 0; i < raw_.size(); ++i)
            raw_[i] = static_cast<std::uint16_t>(1 + (i * 7) % 1000);
        settings_.image_type = 1;
    }
    void TearDown() override {
        ::DestroyWindow(host_);
        if (::IsWindow(console_)) ::DestroyWindow(console_);
    }

    // Pixels the portable build gives for the same input, before the logo.
    std::vector<std::uint8_t> built_rows() {
        std::vector<std::uint16_t> copy = raw_;
        std::vector<std::uint8_t> rows(static_cast<std::size_t>(kStride) * kImageHeight, 0);
        DisplayTable table;
        build_image({copy.data(), kLength}, record_, mask_, settings_, {rows.data(), kStride},
                    table);
        return rows;
    }

    void deliver(AdaptationSteps steps = {}) {
        DisplayTable table{};
        deliver_image(allocate_final_bitmap(kLength), {raw_.data(), kLength}, record_, mask_,
                      settings_, steps, {::GetModuleHandleA(nullptr), kDefaultLogo},
                      {host_, console_}, table);
    }

    HWND host_{};
    HWND console_{};
    FlatFieldMask mask_ = testing::unit_mask();
    std::vector<std::uint16_t> raw_;
    AcquisitionRecord record_ = testing::one_section(0, kLength, 5);
    ImageSettings settings_{};
};

TEST_F(Delivery, BlockLayoutPixelsAndLogo) {
    std::vector<std::uint8_t> expected = built_rows();
    deliver();

    ASSERT_EQ(g_received.size(), 2u);
    EXPECT_EQ(g_received[0].window, console_);
    EXPECT_EQ(g_received[1].window, host_);
    EXPECT_EQ(g_received[0].wparam, g_received[1].wparam);
    const std::vector<std::uint8_t>& block = g_received[1].block;
    ASSERT_GE(block.size(), 40u + 1024u + kStride * kImageHeight + 1);

    const BitmapHeader header{40, kLength, kImageHeight, 1, 8, 0, kStride * kImageHeight, 0, 0,
                              0,  0};
    EXPECT_EQ(std::memcmp(block.data(), &header, sizeof header), 0);
    for (int i = 0; i < 256; ++i) {
        const std::uint8_t entry[4] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i),
                                       static_cast<std::uint8_t>(i), 0};
        ASSERT_EQ(std::memcmp(block.data() + 40 + 4 * i, entry, 4), 0) << i;
    }

    // The test resources' logo, 8 x 4 from the top: white where (x + row) % 3 == 0.
    for (int r = 0; r < 4; ++r)
        for (int x = 0; x < 8; ++x)
            if ((x + r) % 3 == 0) {
                std::uint8_t& pixel = expected[r * kStride + kLength - 8 + x];
                pixel = pixel < 128 ? 255 : 0;
            }
    const std::uint8_t* pixels = block.data() + kPixelOffset;
    for (int row = 0; row < kImageHeight; ++row)
        for (int c = 0; c < kStride; ++c)
            ASSERT_EQ(pixels[row * kStride + c], expected[row * kStride + c]) << row << "," << c;
    EXPECT_EQ(block[kPixelOffset + kStride * kImageHeight], 0) << "spare byte";
    EXPECT_TRUE(g_post_calls.empty());
    EXPECT_TRUE(g_tmj_calls.empty());
}

TEST_F(Delivery, AdaptationStepsOnlyWhenAskedFor) {
    const AdaptationSteps steps{record_post_process, record_tmj};
    settings_.post_process = post_process::kHalfBalancing;
    deliver(steps);
    EXPECT_TRUE(g_post_calls.empty());
    EXPECT_TRUE(g_tmj_calls.empty());

    g_received.clear();
    settings_.post_process = post_process::kAdaptationStep;
    record_.program = kTmjProgram;
    const std::vector<std::uint8_t> expected = built_rows();
    deliver(steps);
    ASSERT_EQ(g_post_calls.size(), 1u);
    EXPECT_EQ(g_post_calls[0].width, kLength);
    EXPECT_EQ(g_post_calls[0].height, kImageHeight);
    EXPECT_EQ(g_post_calls[0].first_pixel, expected[0]);
    ASSERT_EQ(g_tmj_calls.size(), 1u);
    EXPECT_EQ(g_tmj_calls[0].program, kTmjProgram);
    ASSERT_EQ(g_received.size(), 2u);
    EXPECT_EQ(reinterpret_cast<WPARAM>(g_tmj_calls[0].dib), g_received[1].wparam);
    EXPECT_EQ(g_received[1].block[kPixelOffset], 77);

    // Bit 8 set but the adaptation exports neither step.
    g_received.clear();
    deliver({});
    EXPECT_EQ(g_post_calls.size(), 1u);
    EXPECT_EQ(g_tmj_calls.size(), 1u);
    ASSERT_EQ(g_received.size(), 2u);
}

// A console that is gone is skipped; a block of the wrong size gives the host no image.
TEST_F(Delivery, ConsoleThatIsGoneIsSkippedAndAMismatchedBlockGivesNoImage) {
    ::DestroyWindow(console_);
    deliver();
    ASSERT_EQ(g_received.size(), 1u);
    EXPECT_EQ(g_received[0].window, host_);
    EXPECT_NE(g_received[0].wparam, 0u);

    g_received.clear();
    DisplayTable table{};
    deliver_image(allocate_final_bitmap(kLength + 1), {raw_.data(), kLength}, record_, mask_,
                  settings_, {}, {}, {host_, nullptr}, table);
    ASSERT_EQ(g_received.size(), 1u);
    EXPECT_EQ(g_received[0].message, kImageMessage);
    EXPECT_EQ(g_received[0].wparam, 0u);
}

TEST_F(Delivery, RawImageTypeSendsOnlyTheRawBuffer) {
    settings_.image_type = kRawImage;
    const std::vector<std::uint16_t> before = raw_;
    deliver({record_post_process, record_tmj});
    ASSERT_EQ(g_received.size(), 1u);
    EXPECT_EQ(g_received[0].window, host_);
    EXPECT_EQ(g_received[0].message, kRawImageMessage);
    EXPECT_EQ(g_received[0].wparam, reinterpret_cast<WPARAM>(raw_.data()));
    EXPECT_EQ(raw_, before);
    EXPECT_TRUE(g_post_calls.empty());
}

TEST_F(Delivery, LogoWiderThanTheImageIsNotStamped) {
    UniqueGlobal narrow = allocate_bitmap(7, kImageHeight);
    ASSERT_TRUE(narrow);
    {
        GlobalLock<std::uint8_t> bytes(narrow.get());
        std::memset(bytes.get() + kPixelOffset, 10, 8 * kImageHeight);
    }
    stamp_logo_resource(narrow.get(), {::GetModuleHandleA(nullptr), kDefaultLogo});
    GlobalLock<std::uint8_t> bytes(narrow.get());
    for (int i = 0; i < 8 * kImageHeight; ++i)
        ASSERT_EQ(bytes.get()[kPixelOffset + i], 10);
}

}  // namespace
}  // namespace np::image
