#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <span>
#include <string>
#include <vector>

#include "adaptations/serial/unit_message.h"
#include "adaptations/serial/unit_model.h"
#include "adaptations/serial/unit_record.h"

namespace np::serial {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes frames(std::initializer_list<std::pair<char, std::uint8_t>> fields) {
    Bytes bytes;
    for (const auto& [letter, value] : fields)
        bytes.insert(bytes.end(), {kStx, static_cast<std::uint8_t>(letter), value, kEtx});
    return bytes;
}

// The maker's program tables, row by row; magnification 0 stands for none.
struct ProgramRow {
    int program;
    std::vector<int> widths, gaps;
    int timeout_units;
    double magnification;
    bool reads_overrides;
};

const ProgramRow kKv80Rows[] = {
    {20, {2300}, {10}, 200, 1.23, true},
    {21, {2190}, {10}, 200, 1.23, true},
    {22, {2100}, {10}, 200, 1.23, true},
    {23, {2120}, {10}, 200, 1.23, true},
    {24, {2020}, {10}, 200, 1.23, true},
    {25, {2000}, {10}, 200, 1.23, true},
    {26, {940}, {10}, 200, 1.27, true},
    {27, {520, 520}, {20, 40}, 1200, 1.2, true},
    {28, {800, 800}, {10, 80}, 1200, 1.89, true},
    {29, {450, 550, 550}, {10, 100, 100}, 1200, 1.45, true},
    {30, {450, 550, 550}, {10, 100, 100}, 1200, 1.45, true},
    {31, {0}, {10}, 200, 1.1, false},
    {32, {0}, {10}, 200, 1.1, false},
    {33, {510, 510}, {10, 700}, 2000, 1.2, true},
    {19, {0}, {10}, 200, 0, false},
    {34, {0}, {10}, 200, 0, false},
};

const ProgramRow kKv40Rows[] = {
    {20, {2420}, {10}, 200, 1.23, true},
    {23, {2180}, {10}, 200, 1.23, true},
    {26, {1180}, {10}, 200, 1.27, true},
    {27, {580, 540}, {20, 35}, 1200, 1.2, true},
    {28, {800, 800}, {10, 80}, 1200, 1.89, true},
    {33, {560, 530}, {10, 700}, 2000, 1.2, true},
    {21, {0}, {10}, 200, 1.23, false},
    {29, {0}, {10}, 200, 1.45, false},
};

void expect_rows(const UnitModel& model, std::span<const ProgramRow> rows) {
    for (const ProgramRow& row : rows) {
        SCOPED_TRACE(row.program);
        AcquisitionRecord record{};
        lay_out_sections(record, model, row.program, {});
        ASSERT_EQ(record.section_count, static_cast<int>(row.widths.size()));
        for (std::size_t k = 0; k < row.widths.size(); ++k)
            EXPECT_EQ(record.sections[k].width, row.widths[k]);
        std::array<int, kMaxSections> gaps;
        gaps.fill(-1);
        EXPECT_EQ(fill_timing(model, row.program, gaps, {}), row.timeout_units);
        EXPECT_EQ(std::vector<int>(gaps.begin(), gaps.begin() + row.gaps.size()), row.gaps);
        EXPECT_EQ(gaps[row.gaps.size()], -1);  // nothing beyond the program's sections
        EXPECT_EQ(reads_overrides(model, row.program), row.reads_overrides);
        if (row.magnification == 0)
            EXPECT_FALSE(magnification(row.program));
        else
            EXPECT_DOUBLE_EQ(magnification(row.program).value_or(0), row.magnification);
    }
}

TEST(ProgramTables, EveryRowOfBothModels) {
    expect_rows(kv80_model(), kKv80Rows);
    expect_rows(kv40_model(), kKv40Rows);
}

TEST(UnitMessage, ConvertsEachFieldWithTheProgramSoFar) {
    AcquisitionRecord r =
        parse_message(frames({{'O', 107}, {'V', 170}, {'A', 110}, {'S', 112}}), kv80_model());
    EXPECT_EQ(+r.program, 26);
    EXPECT_FLOAT_EQ(+r.kv, 70.0f);
    EXPECT_FLOAT_EQ(+r.ma, 10.0f);
    EXPECT_FLOAT_EQ(+r.exposure_time, 1.2f);  // program 26 counts tenths
    EXPECT_EQ(+r.valid, 0u);
    // 'S' before 'O' is converted as for any other program.
    r = parse_message(frames({{'S', 112}, {'O', 107}}), kv80_model());
    EXPECT_FLOAT_EQ(+r.exposure_time, 12.0f);
    r = parse_message(frames({{'O', 114}}), kv80_model());
    EXPECT_EQ(+r.program, 33);
    EXPECT_EQ(+r.kv, 0.0f);
    EXPECT_EQ(+r.exposure_time, 0.0f);
}

TEST(UnitMessage, SkipsNoiseBadFramesUnknownLettersAndCutFramesAndStopsAtZero) {
    Bytes bytes = {'x', kEtx, kStx, kStx, kStx, 'V', 180, 'x'};  // noise, broken frames
    const Bytes rest = frames({{'Q', 150}, {'V', 165}, {'O', 110}, {'\0', 0}, {'A', 110}});
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    const AcquisitionRecord r = parse_message(bytes, kv80_model());
    EXPECT_FLOAT_EQ(+r.kv, 65.0f);
    EXPECT_EQ(+r.program, 29);
    EXPECT_EQ(+r.ma, 0.0f);  // after the zero byte

    // A frame cut off by the end of what arrived is ignored; the bytes after the span in
    // memory would complete it.
    const Bytes whole = frames({{'V', 170}, {'O', 101}});
    const AcquisitionRecord cut =
        parse_message(std::span(whole).first(whole.size() - 1), kv80_model());
    EXPECT_FLOAT_EQ(+cut.kv, 70.0f);
    EXPECT_EQ(+cut.program, 0);
}

TEST(UnitModel, ProgramCodesOfBothUnits) {
    const std::pair<int, int> kv40[] = {{101, 23}, {102, 20}, {103, 26}, {104, 27},
                                        {105, 28}, {100, 20}, {106, 20}, {0, 20}};
    for (const auto& [value, program] : kv40)
        EXPECT_EQ(kv40_program(static_cast<std::uint8_t>(value)), program) << value;
    EXPECT_EQ(kv80_program(13), 188);  // wraps in the byte
}

TEST(TmjAlternation, BothStartingStates) {
    EXPECT_EQ(alternate_tmj(27, std::nullopt), 27);
    EXPECT_EQ(alternate_tmj(27, "20"), 27);
    EXPECT_EQ(alternate_tmj(27, "27"), 33);
    EXPECT_EQ(alternate_tmj(27, "33"), 27);
    EXPECT_EQ(alternate_tmj(27, " 27x"), 33);
    EXPECT_EQ(alternate_tmj(28, "27"), 28);
    EXPECT_EQ(combined_tmj_program(27, 33), 34);
    EXPECT_EQ(combined_tmj_program(27, 27), 34);
    EXPECT_EQ(combined_tmj_program(33, 27), 0);
    EXPECT_EQ(combined_tmj_program(27, 28), 0);
}

TEST(Sections, StartsFollowTheWidthsAndTheirOverridesWithinTheRecordsLimits) {
    AcquisitionRecord r{};
    lay_out_sections(r, kv80_model(), 29, {});
    EXPECT_EQ(+r.sections[1].start, 500);
    EXPECT_EQ(+r.sections[2].start, 1100);
    lay_out_sections(r, kv80_model(), 27, {std::nullopt, std::string("600")});
    EXPECT_EQ(+r.sections[0].width, 520);
    EXPECT_EQ(+r.sections[1].start, 570);
    EXPECT_EQ(+r.sections[1].width, 600);
    // Widths the record cannot hold are limited to it.
    lay_out_sections(r, kv80_model(), 29, {std::string("99999999999"), std::string("40000")});
    EXPECT_EQ(+r.sections[0].width, 32767);
    EXPECT_EQ(+r.sections[1].start, 32767);
    EXPECT_EQ(+r.sections[1].width, 32767);
    EXPECT_EQ(+r.sections[2].start, 32767);
    lay_out_sections(r, kv80_model(), 20, {std::string("-99999")});
    EXPECT_EQ(+r.sections[0].width, -32768);
}

TEST(Timing, OverridesReplaceTheTableGaps) {
    std::array<int, kMaxSections> gaps;
    gaps.fill(-1);
    EXPECT_EQ(fill_timing(kv80_model(), 27, gaps, {std::nullopt, std::string("60")}), 1200);
    EXPECT_EQ(gaps[0], 20);
    EXPECT_EQ(gaps[1], 60);
    gaps.fill(-1);
    EXPECT_EQ(fill_timing(kv80_model(), 31, gaps, {std::string("99")}), 200);
    EXPECT_EQ(gaps[0], 10);
}

TEST(Resolution, StoredProgramDecides) {
    EXPECT_DOUBLE_EQ(pixel_size("28").value_or(0), 0.104 / 1.89);
    EXPECT_FALSE(pixel_size(std::nullopt));
    EXPECT_FALSE(pixel_size("34"));
    EXPECT_FALSE(pixel_size("-99999999999"));
}

}  // namespace
}  // namespace np::serial
