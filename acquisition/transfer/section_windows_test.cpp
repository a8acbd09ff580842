#include "acquisition/transfer/section_windows.h"

#include <gtest/gtest.h>

#include "acquisition/transfer/card_stream_test_util.h"

namespace np::transfer {
namespace {

using testing::sections;

TEST(SectionWindows, GapsCountLinePairsBeforeEachSection) {
    const auto windows = section_windows(sections({500, 300, 200}), {10, 4, 0});
    ASSERT_EQ(windows.count, 3);
    EXPECT_EQ(windows.windows[0].first, 20);
    EXPECT_EQ(windows.windows[0].last, 519);
    EXPECT_EQ(windows.windows[1].first, 528);
    EXPECT_EQ(windows.windows[2].first, 828);
    EXPECT_EQ(windows.back().last, 1027);
    EXPECT_EQ(windows.window_of(19), -1);
    EXPECT_EQ(windows.window_of(525), -1);
    EXPECT_EQ(windows.window_of(828), 2);
    EXPECT_EQ(windows.window_of(1028), -1);
    AcquisitionRecord absurd = sections({10});
    absurd.section_count = 99;
    EXPECT_EQ(section_windows(absurd, {}).count, kMaxSections);
}

}  // namespace
}  // namespace np::transfer
