#include "acquisition/transfer/line_collector.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquisition/transfer/card_stream_test_util.h"

namespace np::transfer {
namespace {

using testing::CardStream;
using ::testing::HasSubstr;
using testing::RawImage;
using testing::sections;

struct Fixture {
    CardStream card;
    RawImage raw;
    std::string traces;

    LineCollector collector(int mode, const AcquisitionRecord& record,
                            std::array<int, kMaxSections> gaps = {}) {
        return testing::started_collector(mode, record, gaps, raw,
                                          [this](const char* text) { traces += text; });
    }
};

constexpr int k10 = 1, k12 = 2;

TEST(TenBitBatches, KeepOnlyTheWindowsWithAGapBetweenAndEndOnTheLastLine) {
    Fixture f;
    auto collector = f.collector(k10, sections({4, 3}), {3, 2});  // windows 6..9, 14..16
    for (int n = 0; n < 25; ++n)
        f.card.add_line10(static_cast<std::uint16_t>(100 + n));
    // Batches of awkward sizes, one ending inside a line.
    EXPECT_EQ(collector.process(f.card.picture(), f.card.fill_index_at(5 * 2488 + 7)).result,
              kKeepReading);
    EXPECT_EQ(collector.process(f.card.picture(), f.card.fill_index_at(12 * 2488)).result,
              kKeepReading);
    const BatchOutcome last = collector.process(f.card.picture(), f.card.fill_index());
    EXPECT_EQ(last.result, kImageComplete);
    EXPECT_EQ(collector.image_lines(), 4 + 50 + 3);
    EXPECT_EQ(f.raw.line_tag(0), 106);
    EXPECT_EQ(f.raw.line_tag(3), 109);
    EXPECT_EQ(f.raw.line_tag(53), 0);
    EXPECT_EQ(f.raw.line_tag(54), 114);
    EXPECT_EQ(f.raw.line_tag(56), 116);
    EXPECT_EQ(f.raw.line_tag(57), 0);
    EXPECT_THAT(f.traces, HasSubstr("Derniere ligne\n"));
}

TEST(TenBitBatches, AdjacentWindowsStillGetTheSeparatorTheRecordPromises) {
    Fixture f;
    auto collector = f.collector(k10, sections({5, 5, 5}), {10});  // windows 20..24, 25..29, 30..34
    for (int n = 0; n < 40; ++n)
        f.card.add_line10(static_cast<std::uint16_t>(n + 1));
    EXPECT_EQ(collector.process(f.card.picture(), f.card.fill_index()).result, kImageComplete);
    EXPECT_EQ(collector.image_lines(), 5 + 50 + 5 + 50 + 5);
    EXPECT_EQ(f.raw.line_tag(0), 21);
    EXPECT_EQ(f.raw.line_tag(55), 26);
    EXPECT_EQ(f.raw.line_tag(110), 31);
}

TEST(TenBitBatches, LinesPastTheRawBufferAreDroppedAndTheImageStillEnds) {
    Fixture f;
    auto collector = f.collector(k10, sections({4000, 100}), {});
    for (int n = 0; n < 4005; ++n)
        f.card.add_line10(1);  // the picture buffer holds 4006
    EXPECT_EQ(collector.process(f.card.picture(), f.card.fill_index()).result, kKeepReading);
    EXPECT_EQ(collector.image_lines(), 4000);
    EXPECT_THAT(f.traces, HasSubstr("Depassement buffer image\n"));
}

TEST(TenBitBatches, AFillIndexThatGrowsOrLeavesTheBufferOrAnUnknownModeFails) {
    Fixture f;
    auto collector = f.collector(k10, sections({4}));
    f.card.add_line10(1);
    EXPECT_EQ(collector.process(f.card.picture(), f.card.fill_index()).result, kKeepReading);
    EXPECT_EQ(collector.process(f.card.picture(), kPictureBufferBytes).result, kBatchFailed);
    auto odd = f.collector(k10, sections({4}));
    odd.start(kPictureBufferBytes + 2488);
    EXPECT_EQ(odd.process(f.card.picture(), f.card.fill_index()).result, kBatchFailed);
    auto unknown = f.collector(3, sections({4}));
    EXPECT_EQ(unknown.process(f.card.picture(), f.card.fill_index()).result, kBatchFailed);
    EXPECT_EQ(f.traces, "Error\n");
}

// 12-bit streams: a list of (tag, control) lines.
void add_lines12(CardStream& card, std::initializer_list<std::pair<int, int>> lines) {
    for (auto [tag, control] : lines)
        card.add_line12(static_cast<std::uint16_t>(tag), control);
}

TEST(TwelveBitBatches, MarkersEndSectionsAndTheImage) {
    Fixture f;
    auto collector = f.collector(k12, sections({9, 9}));
    add_lines12(f.card, {{1, 7}, {2, 7}, {3, 7}, {4, 6}, {5, 7}, {6, 7}, {7, 5}, {8, 7}});
    EXPECT_EQ(collector.process(f.card.picture(), f.card.fill_index_at(3 * 2492)).result,
              kKeepReading);
    EXPECT_EQ(collector.process(f.card.picture(), f.card.fill_index()).result, kImageComplete);
    EXPECT_EQ(collector.image_lines(), 4 + 50 + 3);
    EXPECT_EQ(f.raw.line_tag(3), 4);
    EXPECT_EQ(f.raw.line_tag(4), 0);
    EXPECT_EQ(f.raw.line_tag(54), 5);
    EXPECT_EQ(f.raw.line_tag(56), 7);
    EXPECT_EQ(f.raw.line_tag(57), 0);  // nothing after the image end
    AcquisitionRecord record = sections({9, 9, 9});
    collector.rewrite_sections(record);
    EXPECT_EQ(record.section_count, 2);
    EXPECT_EQ(record.sections[0].start, 0);
    EXPECT_EQ(record.sections[0].width, 4);
    EXPECT_EQ(record.sections[1].start, 54);
    EXPECT_EQ(record.sections[1].width, 3);
    EXPECT_EQ(record.sections[2].width, 0);
    EXPECT_THAT(f.traces, HasSubstr("Fin de zone detectee\n"));
    EXPECT_THAT(f.traces, HasSubstr("Fin d'image detectee\n"));
}

TEST(TwelveBitBatches, ABadControlFieldResynchronisesWithoutLosingTheSectionCount) {
    Fixture f;
    auto collector = f.collector(k12, sections({9, 9}));
    // Line 3 is corrupt: the scan picks up again after line 4's marker word.
    add_lines12(f.card, {{1, 7}, {2, 7}, {3, 2}, {4, 7}, {5, 7}, {6, 6}, {7, 7}, {8, 5}});
    EXPECT_EQ(collector.process(f.card.picture(), f.card.fill_index()).result, kImageComplete);
    EXPECT_EQ(collector.resync_count(), 1);
    AcquisitionRecord record{};
    collector.rewrite_sections(record);
    EXPECT_EQ(record.section_count, 2);
    EXPECT_EQ(record.sections[0].width, 4);  // 1, 2, 5, 6
    EXPECT_EQ(f.raw.line_tag(2), 5);
    EXPECT_EQ(record.sections[1].start, 54);
    EXPECT_THAT(f.traces, HasSubstr("erreur dans le champ de controle\n"));
}

TEST(TwelveBitBatches, AnEndMarkerFoundByResynchronisationEndsTheSectionWithABlankLine) {
    Fixture f;
    auto collector = f.collector(k12, sections({9, 9}));
    add_lines12(f.card, {{1, 7}, {2, 0}, {3, 6}, {4, 7}, {5, 5}});
    EXPECT_EQ(collector.process(f.card.picture(), f.card.fill_index()).result, kImageComplete);
    EXPECT_EQ(collector.image_lines(), 2 + 50 + 2);
    EXPECT_EQ(f.raw.line_tag(1), 0);  // the blank line in place of line 3
    EXPECT_EQ(f.raw.line_tag(52), 4);
}

TEST(TwelveBitBatches, ResynchronisationWaitsForMoreDataAtTheBufferFront) {
    Fixture f;
    auto collector = f.collector(k12, sections({9}));
    add_lines12(f.card, {{1, 7}, {2, 3}});
    EXPECT_EQ(collector.process(f.card.picture(), f.card.fill_index()).result, kKeepReading);
    EXPECT_EQ(collector.previous_fill_index(), kPictureBufferBytes - 2492);  // the bad line again
    add_lines12(f.card, {{3, 7}, {4, 5}});
    EXPECT_EQ(collector.process(f.card.picture(), f.card.fill_index()).result, kImageComplete);
    EXPECT_EQ(collector.resync_count(), 2);
    EXPECT_EQ(collector.image_lines(), 2);  // lines 1 and 4
}

TEST(TwelveBitBatches, TwoEndMarkersInARowCountAOneLineSection) {
    Fixture f;
    auto collector = f.collector(k12, sections({9, 9, 9, 9}));
    add_lines12(f.card, {{1, 6}, {2, 6}, {3, 7}, {4, 5}});
    EXPECT_EQ(collector.process(f.card.picture(), f.card.fill_index()).result, kImageComplete);
    EXPECT_EQ(collector.sections_started(), 4);
    AcquisitionRecord record{};
    collector.rewrite_sections(record);
    EXPECT_EQ(record.section_count, 3);
    EXPECT_EQ(record.sections[1].start, 51);
    EXPECT_EQ(record.sections[1].width, 1);
    EXPECT_EQ(record.sections[2].start, 102);
}

TEST(TwelveBitBatches, NeverMoreThanTenSectionsNorPastTheRawBuffer) {
    {
        Fixture f;
        AcquisitionRecord record = sections({1});
        record.section_count = 40;  // limited to what the record can hold
        auto collector = f.collector(k12, record);
        for (int s = 0; s < 12; ++s)
            add_lines12(f.card, {{s + 1, 7}, {s + 1, 6}});
        EXPECT_EQ(collector.process(f.card.picture(), f.card.fill_index()).result, kImageComplete);
        collector.rewrite_sections(record);
        EXPECT_EQ(record.section_count, 10);
        EXPECT_EQ(record.sections[9].start, 9 * 52);
    }
    {
        Fixture f;
        auto collector =
            f.collector(k12, sections({400, 400, 400, 400, 400, 400, 400, 400, 400, 400}));
        for (int s = 0; s < 10; ++s) {
            for (int n = 0; n < 399; ++n)
                f.card.add_line12(1, 7);
            f.card.add_line12(2, 6);
        }
        EXPECT_EQ(collector.process(f.card.picture(), f.card.fill_index()).result, kBatchFailed);
        EXPECT_LE(collector.image_lines(), 4000);
        EXPECT_THAT(f.traces, HasSubstr("Depassement buffer image\n"));
    }
}

}  // namespace
}  // namespace np::transfer
