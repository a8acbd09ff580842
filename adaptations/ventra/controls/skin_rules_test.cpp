#include "adaptations/ventra/controls/skin_rules.h"

#include <gtest/gtest.h>

#include <vector>

namespace np::ventra {
namespace {

// 10 x 3 mask, rows padded to 2 bytes; pixels spelt MSB first.
MaskBits mask_of(const std::vector<uint8_t>& bits, int bits_per_pixel = 1) {
    return {10, 3, 1, bits_per_pixel, 2, bits};
}

TEST(MaskRegion, CutsOutTheRunsOfTheTopLeftColourRowByRow) {
    // white (1) top-left: the white runs go, the black shape stays
    const std::vector<uint8_t> bits{0b11000111, 0b11000000,   // ..xxx..... -> runs 0-2, 5-10
                                    0b10000000, 0b01000000,   // .xxxxxxxx. -> runs 0-1, 9-10
                                    0b11111111, 0b11000000};  // all white  -> run 0-10
    EXPECT_EQ(transparent_runs(mask_of(bits), 10, 3),
              (std::vector<TransparentRun>{{0, 0, 2}, {0, 5, 10}, {1, 0, 1}, {1, 9, 10}, {2, 0, 10}}));
}

TEST(MaskRegion, BlackTopLeftMakesTheBlackPixelsTransparent) {
    const std::vector<uint8_t> bits{0b01111111, 0b11000000, 0b11111111, 0b11000000, 0b11111111, 0b10000000};
    EXPECT_EQ(transparent_runs(mask_of(bits), 10, 3),
              (std::vector<TransparentRun>{{0, 0, 1}, {2, 9, 10}}));
}

TEST(MaskRegion, ReadsNeitherRowPaddingNorBeyondTheMask) {
    // padding bits set to the transparent colour must not widen the last run; a window
    // smaller than the mask keeps the runs inside it
    const std::vector<uint8_t> bits{0b00000000, 0b00111111, 0b00000000, 0b00111111, 0b00000000, 0b00111111};
    EXPECT_TRUE(transparent_runs(mask_of(bits), 10, 3).size() == 3);
    EXPECT_EQ(transparent_runs(mask_of(bits), 4, 1), (std::vector<TransparentRun>{{0, 0, 4}}));
    // a window larger than its mask reads no pixel beyond the mask
    EXPECT_EQ(transparent_runs(mask_of(bits), 40, 9), transparent_runs(mask_of(bits), 10, 3));
}

TEST(MaskRegion, RefusesOtherFormatsAndShortBuffers) {
    const std::vector<uint8_t> bits(6, 0);
    EXPECT_FALSE(is_monochrome(mask_of(bits, 8)));
    EXPECT_TRUE(transparent_runs(mask_of(bits, 8), 10, 3).empty());
    const std::vector<uint8_t> short_bits(5, 0);
    EXPECT_TRUE(transparent_runs(mask_of(short_bits), 10, 3).empty());
}

TEST(ButtonStates, PressesToggleAdvanceOrLeaveAlone) {
    EXPECT_EQ(state_after_press(ControlKind::two_state, 0, false), 1);
    EXPECT_EQ(state_after_press(ControlKind::two_state, 1, false), 0);
    EXPECT_EQ(state_after_press(ControlKind::three_state, 1, false), 2);
    EXPECT_EQ(state_after_press(ControlKind::three_state, 2, false), 0);
    EXPECT_EQ(state_after_press(ControlKind::three_state, 1, true), 1);
    EXPECT_EQ(state_after_press(ControlKind::lamp, 1, false), 1);
    EXPECT_EQ(shown_pair(ControlKind::push, 0, true), 1);
    EXPECT_EQ(shown_pair(ControlKind::three_state, 2, false), 2);
}

TEST(ButtonStates, AutoRepeatCommandsOnlyWhileHeld) {
    AutoRepeat repeat;
    EXPECT_EQ(repeat.tick(), AutoRepeat::Step::stop_timer);  // a late tick after release
    EXPECT_EQ(repeat.button_down(), AutoRepeat::Step::start_timer);
    EXPECT_EQ(repeat.tick(), AutoRepeat::Step::command);
    EXPECT_EQ(repeat.button_up(), AutoRepeat::Step::stop_timer);
    EXPECT_EQ(repeat.tick(), AutoRepeat::Step::stop_timer);
}

TEST(Layout, ReferenceSizeOriginAndPlaces) {
    EXPECT_EQ(reference_size(800, 600), (ReferenceSize{800, 600}));
    EXPECT_EQ(reference_size(800, 768), (ReferenceSize{1024, 768}));
    EXPECT_EQ(console_origin({800, 600}, 800, 600), (Point{0, 0}));
    EXPECT_EQ(console_origin({1024, 768}, 1280, 1024), (Point{129, 128}));
    EXPECT_EQ(place(0.8457, 0.7543, {1024, 768}), (Point{866, 579}));
    EXPECT_EQ(place(0.8457, 0.7543, {800, 600}), (Point{677, 453}));
    EXPECT_EQ(centred_text_origin(50, 40, 4, 9, 30), (Point{7, 5}));
}

TEST(Layout, TextLargerThanItsControlShrinksAndStaysInside) {
    EXPECT_EQ(fitted_font_height(30, 50, 40, 50, 30), 30);  // fits exactly
    EXPECT_EQ(fitted_font_height(30, 50, 40, 60, 30), 25);  // too wide
    EXPECT_EQ(fitted_font_height(20, 80, 15, 60, 24), 12);  // too tall
    EXPECT_EQ(fitted_font_height(30, 50, 10, 75, 30), 10);  // both: the tighter fit
    EXPECT_EQ(fitted_font_height(30, 5, 40, 200, 30), 6);   // never unreadably small
    EXPECT_EQ(kept_inside({7, 5}, 50, 40, 36, 30), (Point{7, 5}));
    EXPECT_EQ(kept_inside({7, 5}, 50, 40, 48, 30), (Point{2, 5}));  // bold digits run wider
    EXPECT_EQ(kept_inside({-4, -2}, 50, 40, 60, 44), (Point{0, 0}));
}

}  // namespace
}  // namespace np::ventra
