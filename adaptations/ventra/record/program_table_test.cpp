#include "adaptations/ventra/record/program_table.h"

#include <gtest/gtest.h>

#include <array>

namespace np::ventra {
namespace {

TEST(VentraProgramTable, EverySelectionGivesItsCodeAndSections) {
    struct Row {
        std::uint16_t selection;
        int code;  // 0: record untouched
        std::vector<std::array<int, 2>> sections;
    };
    const Row rows[] = {
        {0x00, 0, {}},
        {0x70, 180, {{0, 2588}}},
        {0x10, 181, {{0, 974}}},
        {0x80, 181, {{0, 974}}},
        {0x20, 182, {{0, 640}}},
        {0x30, 183, {{0, 1614}}},
        {0x40, 184, {{0, 974}}},
        {0x50, 185, {{0, 974}, {1024, 974}}},
        {0x60, 186, {{0, 1614}}},
        {0x01, 187, {{0, 836}, {886, 836}}},
        {0x11, 188, {{0, 836}, {886, 836}, {1772, 836}, {2658, 836}}},
        {0x21, 188, {{0, 836}, {886, 836}, {1772, 836}, {2658, 836}}},
        {0x31, 0, {}},
        {0xF2, 189, {{0, 1832}}},
        {0x03, 192, {{0, 2000}}},
        {0x13, 193, {{0, 2000}}},
        {0x23, 0, {}},
        {0x48, 190, {}},
        {0x09, 191, {}},
        {0x04, 0, {}},
    };
    for (const Row& row : rows) {
        const auto program = program_for(row.selection);
        ASSERT_EQ(program.has_value(), row.code != 0) << std::hex << row.selection;
        if (!program) continue;
        EXPECT_EQ(program->code, row.code) << std::hex << row.selection;
        ASSERT_EQ(program->sections.size(), row.sections.size()) << std::hex << row.selection;
        for (std::size_t i = 0; i < row.sections.size(); ++i) {
            EXPECT_EQ(program->sections[i].start, row.sections[i][0]);
            EXPECT_EQ(program->sections[i].width, row.sections[i][1]);
        }
    }
}

TEST(VentraProgramTable, RecordTakesKvMaTimeAndModeEvenWithoutAProgram) {
    AcquisitionRecord record{};
    record.program = 99;
    record.section_count = 1;
    record.sections[0] = {0, 1234};
    const std::array<std::uint16_t, 7> none{72, 0, 0, 0x00, 0, 1, 0x0102};
    const std::array<std::uint16_t, 5> parameters{72, 95, 1760, 0, 30};
    apply_unit_program(record, none, parameters);
    EXPECT_EQ(record.program, 99);
    EXPECT_EQ(record.sections[0].width, 1234);
    EXPECT_FLOAT_EQ(float{record.kv}, 72.0f);
    EXPECT_FLOAT_EQ(float{record.ma}, 9.5f);
    EXPECT_FLOAT_EQ(float{record.exposure_time}, 17.6f);
    EXPECT_EQ(record.unit_specific, 2);
    EXPECT_EQ(std::uint32_t{record.valid}, 1u);  // packed: read by value

    const std::array<std::uint16_t, 7> four_views{72, 0, 0, 0x11, 0, 1, 1};
    record.sections[5] = {9, 9};
    apply_unit_program(record, four_views, parameters);
    EXPECT_EQ(record.program, 188);
    EXPECT_EQ(record.section_count, 4);
    EXPECT_EQ(record.sections[3].start, 2658);
    EXPECT_EQ(record.sections[5].width, 9);  // beyond the program's sections: as it was
}

}  // namespace
}  // namespace np::ventra
