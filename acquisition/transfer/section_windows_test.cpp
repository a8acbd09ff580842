#include "acquisition/transfer/section_windows.h"

#include <gtest/gtest.h>

namespace np::transfer {
namespace {

AcquisitionRecord record_with(std::initializer_list<int> widths) {
    AcquisitionRecord record{};
    int start = 0;
    for (int width : widths) {
        record.sections[record.section_count++] = {static_cast<std::int16_t>(start),
                                                   static_cast<std::int16_t>(width)};
        start += width + kSectionGap;
    }
    return record;
}

TEST(SectionWindows, GapsCountLinePairsBeforeEachSection) {
    const auto windows = section_windows(record_with({500, 300, 200}), {10, 4, 0});
    ASSERT_EQ(windows.count, 3);
    EXPECT_EQ(windows.windows[0].first, 20);
    EXPECT_EQ(windows.windows[0].last, 519);
    EXPECT_EQ(windows.windows[1].first, 528);
    EXPECT_EQ(windows.windows[1].last, 827);
    EXPECT_EQ(windows.windows[2].first, 828);
    EXPECT_EQ(windows.back().last, 1027);
    EXPECT_EQ(windows.window_of(19), -1);
    EXPECT_EQ(windows.window_of(525), -1);
    EXPECT_EQ(windows.window_of(828), 2);
    EXPECT_EQ(windows.window_of(1028), -1);
}

TEST(SectionWindows, CountOutsideTheRecordIsLimited) {
    AcquisitionRecord record = record_with({10});
    record.section_count = 99;
    EXPECT_EQ(section_windows(record, {}).count, kMaxSections);
    record.section_count = -3;
    EXPECT_EQ(section_windows(record, {}).count, 0);
    EXPECT_EQ(planned_length(record), 0);
}

TEST(PlannedLength, SectionsWithTheirSeparatorsUpTo4000) {
    EXPECT_EQ(planned_length(record_with({500, 500, 500, 500, 500})), 2700);
    EXPECT_EQ(planned_length(record_with({1000})), 1000);
    EXPECT_EQ(planned_length(record_with({2000, 2000})), 4000);
}

}  // namespace
}  // namespace np::transfer
