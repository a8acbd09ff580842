#include "acquisition/record/record_rules.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

namespace np::record {
namespace {

AcquisitionRecord with_sections(std::initializer_list<std::pair<int, int>> sections) {
    AcquisitionRecord record{};
    for (auto [start, width] : sections)
        record.sections[record.section_count++] = {static_cast<std::int16_t>(start),
                                                   static_cast<std::int16_t>(width)};
    return record;
}

// Sections as the modules fill them: start[0] = 0, then width + 50 further each.
AcquisitionRecord chained(std::initializer_list<int> widths) {
    AcquisitionRecord record{};
    int start = 0;
    for (int width : widths) {
        record.sections[record.section_count++] = {static_cast<std::int16_t>(start),
                                                   static_cast<std::int16_t>(width)};
        start += width + kSectionGap;
    }
    return record;
}

TEST(PlannedLength, AddsTheGapsBetweenSectionsAndCapsAt4000) {
    EXPECT_EQ(planned_length(chained({2300})), 2300);
    EXPECT_EQ(planned_length(chained({450, 550, 550})), 1650);
    EXPECT_EQ(planned_length(chained({2000, 1950})), 4000);  // exactly full
    EXPECT_EQ(planned_length(chained({2000, 1951})), 4000);
    EXPECT_EQ(planned_length(chained({-500})), 0);
}

TEST(PlannedLength, NeverLooksBeyondTheTenSlots) {
    AcquisitionRecord record = chained({100, 100, 100, 100, 100, 100, 100, 100, 100, 100});
    record.section_count = 32767;
    EXPECT_EQ(usable_section_count(record), 10);
    EXPECT_EQ(planned_length(record), 10 * 150 - 50);
    record.section_count = -3;
    EXPECT_EQ(usable_section_count(record), 0);
    EXPECT_EQ(planned_length(record), 0);
}

TEST(MirrorSections, ReversedPairsChainedFromTheFirstSlotsOwnStart) {
    AcquisitionRecord record = with_sections({{7, 450}, {507, 550}, {1107, 300}});
    mirror_sections(record);
    EXPECT_EQ(record.section_count, 3);
    EXPECT_EQ(record.sections[0].start, 7);
    EXPECT_EQ(record.sections[0].width, 300);
    EXPECT_EQ(record.sections[1].start, 357);
    EXPECT_EQ(record.sections[1].width, 550);
    EXPECT_EQ(record.sections[2].start, 957);
    EXPECT_EQ(record.sections[2].width, 450);
}

// The sanitizers catch any slot touched past the record.
TEST(MirrorSections, ACountOutsideTheRecordTouchesOnlyItsSlots) {
    AcquisitionRecord record = chained({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    record.section_count = 200;
    mirror_sections(record);
    EXPECT_EQ(record.sections[0].width, 10);
    EXPECT_EQ(record.sections[9].width, 1);
    EXPECT_EQ(record.section_count, 200);  // the module's value is left as it gave it
    record = chained({300});
    record.section_count = -1;
    mirror_sections(record);
    EXPECT_EQ(record.sections[0].width, 300);
}

TEST(HostCopy, SectionsInReverseOrderChainedFromZero) {
    AcquisitionRecord copy = with_sections({{10, 520}, {999, 700}, {5, 300}});
    copy.kv = 70.0f;
    rewrite_host_copy_sections(copy);
    EXPECT_EQ(copy.sections[0].start, 0);
    EXPECT_EQ(copy.sections[0].width, 300);
    EXPECT_EQ(copy.sections[1].start, 350);
    EXPECT_EQ(copy.sections[2].start, 1100);
    EXPECT_EQ(copy.sections[2].width, 520);
    EXPECT_EQ(copy.sections[3].width, 0);
    EXPECT_EQ(float{copy.kv}, 70.0f);
    copy = chained({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    copy.section_count = 11;
    rewrite_host_copy_sections(copy);
    EXPECT_EQ(copy.sections[9].width, 1);
    EXPECT_EQ(copy.sections[9].start, 9 * 50 + (10 + 9 + 8 + 7 + 6 + 5 + 4 + 3 + 2));
}

}  // namespace
}  // namespace np::record
