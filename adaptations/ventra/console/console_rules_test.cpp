#include "adaptations/ventra/console/console_rules.h"

#include <gtest/gtest.h>

#include <array>

#include "adaptations/ventra/console/console_layout.h"

namespace np::ventra {
namespace {

// The other display formats and the foreground's words: the console's test reads them
// from the console itself.
TEST(ConsoleDisplays, WholeMilliamperesFromTenUp) {
    EXPECT_EQ(ma_text(125), "12");
}

TEST(ConsoleForeground, AnExposureKeepsTheConsoleActiveWithoutAWord) {
    bool active = false;
    EXPECT_EQ(foreground_step(true, false, active), ForegroundStep::none);
    EXPECT_TRUE(active);
    EXPECT_EQ(foreground_step(false, true, active), ForegroundStep::none);
}

TEST(ConsoleExposure, StartsOnceAndEndsOnIdle) {
    bool exposure = false;
    EXPECT_EQ(track_machine_state(kRotation, exposure), ExposureEvent::none);
    EXPECT_EQ(track_machine_state(kExposure, exposure), ExposureEvent::started);
    EXPECT_EQ(track_machine_state(kExposure, exposure), ExposureEvent::none);
    EXPECT_EQ(track_machine_state(kNoAction, exposure), ExposureEvent::none);
    EXPECT_TRUE(exposure);
    EXPECT_EQ(track_machine_state(kIdle, exposure), ExposureEvent::ended);
    EXPECT_EQ(track_machine_state(kIdle, exposure), ExposureEvent::none);
    track_machine_state(kExposure, exposure);
    EXPECT_EQ(track_machine_state(5, exposure), ExposureEvent::none);  // an unknown state ends it quietly
    EXPECT_FALSE(exposure);
    EXPECT_EQ(motion_text(kExposure, 0), 68);
    EXPECT_EQ(motion_text(kExposure, 2), 53);
    EXPECT_EQ(motion_text(kRotation, 2), 52);
    EXPECT_FALSE(motion_text(kIdle, 2));
}

TEST(ConsoleErrors, AnswersWatchdogAndScreenBoundaries) {
    EXPECT_EQ(error_answer(58), ErrorAnswer::retry_or_cancel);  // between two codes of their own
    EXPECT_EQ(watchdog_period(1500u), 1500u);
    EXPECT_EQ(watchdog_period(std::nullopt), 0u);
    EXPECT_TRUE(screen_too_small(800, 599));
    EXPECT_FALSE(screen_too_small(800, 600));
}

TEST(ConsoleSelection, LampsFollowTheUnitsProgramBlock) {
    using P = std::array<std::uint16_t, 7>;
    const Selection pano = selection_of(P{70, 0, 0, 0x50, 1, 2, 1});
    EXPECT_TRUE(pano.right_molar && pano.left_molar && !pano.incisor);
    EXPECT_TRUE(pano.child && !pano.adult);
    EXPECT_EQ(pano.body_size, 2);
    const Selection four = selection_of(P{70, 0, 0, 0x21, 0, 0, 0});
    EXPECT_TRUE(four.tmj_right && four.tmj_left && four.four_views && four.adult);
    const Selection none = selection_of(P{70, 0, 0, 0x00, 0, 0, 0});
    EXPECT_FALSE(none.right_molar || none.incisor || none.left_molar || none.tmj_right);
    EXPECT_EQ(panoramic_command(true, true, true), 0x7004);
    EXPECT_EQ(panoramic_command(true, false, true), 0x5004);
}

TEST(ConsoleLayout, PagesFitTheirFrameAtBothSizes) {
    // The frame is 372 x 290 at 1024 x 768 and 291 x 227 at 800 x 600; the largest page
    // control is 72 x 64 there (56 x 50 at 800 x 600).
    for (int page = 0; page < 3; ++page)
        for (const Placement& p : page_placements(page)) {
            const Point big = page_control_origin(p, 372, 290);
            EXPECT_LE(big.x + 72, 372) << p.id;
            EXPECT_LE(big.y + 64, 290) << p.id;
        }
    const Placement frame{IDC_PAGE_FRAME, 0.5927, 0.3502};
    EXPECT_EQ(console_control_origin(frame, {1024, 768}), (Point{608, 270}));
    EXPECT_EQ(console_control_origin(frame, {800, 600}), (Point{474, 210}));
}

}  // namespace
}  // namespace np::ventra
