#include "adaptations/ventra/record/record_rules.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace np::ventra {
namespace {

TEST(VentraRecord, TimingBySectionCount) {
    struct Case {
        int sections, timeout, gaps_written;
    };
    for (const Case c : {Case{1, 300, 1}, {2, 3000, 2}, {3, 6000, 10}, {4, 90000, 4}, {0, 6000, 10}}) {
        std::array<int, kMaxSections> gaps{};
        gaps.fill(-1);
        EXPECT_EQ(transfer_timing(c.sections, gaps), c.timeout) << c.sections;
        for (int i = 0; i < kMaxSections; ++i)
            EXPECT_EQ(gaps[i], i < c.gaps_written ? 10 : -1) << c.sections << " gap " << i;
    }
}

TEST(VentraRecord, ExposureRoundingCombinationAndPixelSize) {
    EXPECT_FLOAT_EQ(rounded_exposure_time(1.249f), 1.2f);
    EXPECT_FLOAT_EQ(rounded_exposure_time(1.25f), 1.3f);
    EXPECT_FLOAT_EQ(rounded_exposure_time(17.64f), 17.6f);
    EXPECT_EQ(combined_program(187, 187), 188);
    EXPECT_EQ(combined_program(187, 188), 0);
    EXPECT_DOUBLE_EQ(kPixelSize, 0.08188976377952756);
}

AcquisitionRecord four_views(std::array<std::array<int, 2>, 4> sections) {
    AcquisitionRecord record{};
    record.section_count = 4;
    for (int i = 0; i < 4; ++i)
        record.sections[i] = {static_cast<std::int16_t>(sections[i][0]),
                              static_cast<std::int16_t>(sections[i][1])};
    return record;
}

TEST(VentraRecord, FourViewsRotateOnePlaceWorkedByHand) {
    std::vector<std::uint8_t> row = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    AcquisitionRecord record = four_views({{{0, 1}, {2, 2}, {5, 3}, {9, 1}}});
    recombine_four_views({row.data(), 12, 1, 12}, record);
    EXPECT_EQ(row, (std::vector<std::uint8_t>{0, 0, 9, 10, 0, 3, 0, 5, 6, 7, 11, 12}));
    EXPECT_EQ(record.sections[1].start, 2);
    EXPECT_EQ(record.sections[1].width, 3);
    EXPECT_EQ(record.sections[2].start, 6);
    EXPECT_EQ(record.sections[2].width, 1);
    EXPECT_EQ(record.sections[3].start, 8);
    EXPECT_EQ(record.sections[3].width, 2);
    EXPECT_EQ(record.sections[0].width, 1);
}

TEST(VentraRecord, RecombinationLeavesOtherRecordsAndBadGeometriesAlone) {
    std::vector<std::uint8_t> image(3494 * 2, 7);
    const std::vector<std::uint8_t> before = image;
    AcquisitionRecord two = four_views({{{0, 836}, {886, 836}, {0, 0}, {0, 0}}});
    two.section_count = 2;
    recombine_four_views({image.data(), 3494, 2, 3496 - 2}, two);
    EXPECT_EQ(image, before);

    AcquisitionRecord outside = four_views({{{0, 1}, {2, 2}, {5, 3}, {3490, 10}}});
    recombine_four_views({image.data(), 3494, 2, 3494}, outside);
    EXPECT_EQ(image, before);
    EXPECT_EQ(outside.sections[3].start, 3490);

    // The console's geometry keeps every view where it was.
    AcquisitionRecord console = four_views({{{0, 836}, {886, 836}, {1772, 836}, {2658, 836}}});
    const AcquisitionRecord kept = console;
    recombine_four_views({image.data(), 3494, 2, 3494}, console);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(console.sections[i].start, kept.sections[i].start);
        EXPECT_EQ(console.sections[i].width, kept.sections[i].width);
    }
}

}  // namespace
}  // namespace np::ventra
