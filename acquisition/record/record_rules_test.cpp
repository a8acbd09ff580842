#include "acquisition/record/record_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <utility>

namespace np::record {
namespace {

AcquisitionRecord with_sections(std::initializer_list<std::pair<int, int>> sections) {
    AcquisitionRecord record{};
    record.valid = 1;
    for (auto [start, width] : sections) {
        record.sections[record.section_count].start = static_cast<std::int16_t>(start);
        record.sections[record.section_count].width = static_cast<std::int16_t>(width);
        ++record.section_count;
    }
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
    EXPECT_EQ(planned_length(chained({520, 520})), 1090);
    EXPECT_EQ(planned_length(chained({450, 550, 550})), 1650);
    EXPECT_EQ(planned_length(chained({2000, 1950})), 4000);  // exactly full
    EXPECT_EQ(planned_length(chained({2000, 1951})), 4000);  // one column too many
    EXPECT_EQ(planned_length(chained({3000, 3000, 3000})), 4000);
}

TEST(PlannedLength, NeverLooksBeyondTheTenSlots) {
    AcquisitionRecord record = chained({100, 100, 100, 100, 100, 100, 100, 100, 100, 100});
    record.section_count = 32767;
    EXPECT_EQ(usable_section_count(record), 10);
    EXPECT_EQ(planned_length(record), 10 * 150 - 50);
    record.section_count = -3;
    EXPECT_EQ(usable_section_count(record), 0);
    EXPECT_EQ(planned_length(record), 0);
    record = chained({-500});
    EXPECT_EQ(planned_length(record), 0);
}

TEST(MirrorSections, ReversedSectionsLieOnTheReversedLines) {
    // Sections of 450, 550, 550 columns: the mirrored image starts with the former last.
    AcquisitionRecord record = chained({450, 550, 550});
    mirror_sections(record);
    EXPECT_EQ(record.section_count, 3);
    EXPECT_EQ(record.sections[0].start, 0);
    EXPECT_EQ(record.sections[0].width, 550);
    EXPECT_EQ(record.sections[1].start, 600);
    EXPECT_EQ(record.sections[1].width, 550);
    EXPECT_EQ(record.sections[2].start, 1200);
    EXPECT_EQ(record.sections[2].width, 450);
    // Every section still ends inside the planned image.
    EXPECT_EQ(record.sections[2].start + record.sections[2].width, planned_length(record));
}

TEST(MirrorSections, FirstSlotKeepsItsOwnStart) {
    AcquisitionRecord record = with_sections({{7, 100}, {157, 200}});
    mirror_sections(record);
    EXPECT_EQ(record.sections[0].start, 7);
    EXPECT_EQ(record.sections[0].width, 200);
    EXPECT_EQ(record.sections[1].start, 257);
    EXPECT_EQ(record.sections[1].width, 100);
}

TEST(MirrorSections, TwiceGivesTheOriginalBack) {
    const AcquisitionRecord original = chained({520, 700, 300, 610});
    AcquisitionRecord record = original;
    mirror_sections(record);
    mirror_sections(record);
    EXPECT_EQ(std::memcmp(&record, &original, sizeof record), 0);
}

TEST(MirrorSections, CountOutsideTheRecordTouchesOnlyItsSlots) {
    AcquisitionRecord record = chained({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    record.section_count = 200;
    AcquisitionRecord guarded[3] = {{}, record, {}};
    std::memset(&guarded[0], 0xCC, sizeof guarded[0]);
    std::memset(&guarded[2], 0xCC, sizeof guarded[2]);
    mirror_sections(guarded[1]);
    EXPECT_EQ(guarded[1].sections[0].width, 10);
    EXPECT_EQ(guarded[1].sections[9].width, 1);
    EXPECT_EQ(guarded[1].section_count, 200);  // the module's value is left as it gave it
    for (const auto* other : {&guarded[0], &guarded[2]}) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(other);
        for (std::size_t i = 0; i < sizeof *other; ++i)
            ASSERT_EQ(bytes[i], 0xCC);
    }
    AcquisitionRecord none = chained({300});
    none.section_count = -1;
    mirror_sections(none);
    EXPECT_EQ(none.sections[0].width, 300);
}

TEST(HostCopy, SectionsInReverseOrderChainedFromZero) {
    AcquisitionRecord copy = with_sections({{10, 520}, {999, 700}, {5, 300}});
    copy.kv = 70.0f;
    rewrite_host_copy_sections(copy);
    EXPECT_EQ(copy.sections[0].start, 0);
    EXPECT_EQ(copy.sections[0].width, 300);
    EXPECT_EQ(copy.sections[1].start, 350);
    EXPECT_EQ(copy.sections[1].width, 700);
    EXPECT_EQ(copy.sections[2].start, 1100);
    EXPECT_EQ(copy.sections[2].width, 520);
    EXPECT_EQ(copy.sections[3].width, 0);
    EXPECT_EQ(float{copy.kv}, 70.0f);
}

TEST(HostCopy, CountOutsideTheRecordStaysWithinIt) {
    AcquisitionRecord copy = chained({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    copy.section_count = 11;
    rewrite_host_copy_sections(copy);
    EXPECT_EQ(copy.sections[0].width, 10);
    EXPECT_EQ(copy.sections[9].width, 1);
    EXPECT_EQ(copy.sections[9].start, 9 * 50 + (10 + 9 + 8 + 7 + 6 + 5 + 4 + 3 + 2));
}

TEST(Preview, FourSectionsReduceByEight) {
    EXPECT_EQ(preview_factor(chained({100, 100, 100, 100})), 8);
    EXPECT_EQ(preview_factor(chained({100, 100, 100})), 6);
    EXPECT_EQ(preview_factor(chained({100, 100, 100, 100, 100})), 6);
    EXPECT_EQ(preview_size(6).width, 666);
    EXPECT_EQ(preview_size(6).height, 208);
    EXPECT_EQ(preview_size(8).width, 500);
    EXPECT_EQ(preview_size(8).height, 156);
}

}  // namespace
}  // namespace np::record
