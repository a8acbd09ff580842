#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "adaptations/serial/unit_message.h"
#include "adaptations/serial/unit_model.h"
#include "adaptations/serial/unit_record.h"

namespace np::serial {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes frame(char letter, std::uint8_t value) {
    return {kStx, static_cast<std::uint8_t>(letter), value, kEtx};
}

Bytes message(std::initializer_list<Bytes> frames) {
    Bytes all;
    for (const Bytes& f : frames)
        all.insert(all.end(), f.begin(), f.end());
    return all;
}

TEST(UnitMessage, ConvertsEveryField) {
    const Bytes bytes =
        message({frame('O', 101), frame('V', 170), frame('A', 110), frame('S', 112)});
    const AcquisitionRecord r = parse_message(bytes, kv80_model());
    EXPECT_EQ(+r.program, 20);
    EXPECT_FLOAT_EQ(+r.kv, 70.0f);
    EXPECT_FLOAT_EQ(+r.ma, 10.0f);
    EXPECT_FLOAT_EQ(+r.exposure_time, 12.0f);
    EXPECT_EQ(+r.valid, 0u);
    EXPECT_EQ(+r.section_count, 0);
}

TEST(UnitMessage, LongExposureProgramCountsTenths) {
    // 'S' is converted with the program stored so far: after 'O' 107 (program 26)
    // in tenths, before it in seconds.
    EXPECT_FLOAT_EQ(
        +parse_message(message({frame('O', 107), frame('S', 112)}), kv80_model()).exposure_time,
        1.2f);
    EXPECT_FLOAT_EQ(
        +parse_message(message({frame('S', 112), frame('O', 107)}), kv80_model()).exposure_time,
        12.0f);
}

TEST(UnitMessage, LoneProgramFrameLeavesTheRestZero) {
    const AcquisitionRecord r = parse_message(frame('O', 114), kv80_model());
    EXPECT_EQ(+r.program, 33);
    EXPECT_EQ(+r.kv, 0.0f);
    EXPECT_EQ(+r.ma, 0.0f);
    EXPECT_EQ(+r.exposure_time, 0.0f);
}

TEST(UnitMessage, SkipsNoiseBadFramesAndUnknownLetters) {
    Bytes bytes = {'x', kEtx, kStx, kStx};  // noise, then an STX whose frame is broken
    const Bytes rest =
        message({{kStx, 'V', 180, 'x'}, frame('Q', 150), frame('V', 165), frame('O', 110)});
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    const AcquisitionRecord r = parse_message(bytes, kv80_model());
    EXPECT_FLOAT_EQ(+r.kv, 65.0f);
    EXPECT_EQ(+r.program, 29);
}

TEST(UnitMessage, StopsAtTheFirstZeroByte) {
    Bytes bytes = message({frame('V', 170), {0}, frame('O', 101)});
    const AcquisitionRecord r = parse_message(bytes, kv80_model());
    EXPECT_FLOAT_EQ(+r.kv, 70.0f);
    EXPECT_EQ(+r.program, 0);
}

TEST(UnitMessage, NeverLooksPastTheBytesReceived) {
    // A full buffer of STX without any zero byte: each frame check would read three
    // bytes further; the last complete frame position is the limit. The sanitizer
    // catches any read beyond the vector.
    const Bytes full(kReceiveBufferSize, kStx);
    const AcquisitionRecord r = parse_message(full, kv80_model());
    EXPECT_EQ(+r.program, 0);

    // A frame cut off by the end of what arrived is not taken, even if the bytes
    // after it in memory would complete it.
    const Bytes whole = message({frame('V', 170), frame('O', 101)});
    const AcquisitionRecord cut =
        parse_message(std::span(whole).first(whole.size() - 1), kv80_model());
    EXPECT_FLOAT_EQ(+cut.kv, 70.0f);
    EXPECT_EQ(+cut.program, 0);
}

TEST(UnitMessage, ArbitraryBytesStayInsideTheBuffer) {
    // Every length and a spread of contents, each in a buffer of exactly that size.
    std::uint32_t seed = 12345;
    for (std::size_t size = 0; size <= kReceiveBufferSize; ++size) {
        Bytes bytes(size);
        for (auto& b : bytes) {
            seed = seed * 1103515245u + 12345u;
            const std::uint8_t pick = static_cast<std::uint8_t>(seed >> 24);
            b = pick < 64 ? kStx : pick < 128 ? kEtx : pick;
        }
        parse_message(bytes, kv40_model());
    }
}

TEST(UnitModel, Kv40ProgramCodes) {
    const std::array<std::pair<int, int>, 8> cases = {
        {{101, 23}, {102, 20}, {103, 26}, {104, 27}, {105, 28}, {100, 20}, {106, 20}, {0, 20}}};
    for (const auto& [value, program] : cases)
        EXPECT_EQ(kv40_program(static_cast<std::uint8_t>(value)), program) << value;
    EXPECT_EQ(+parse_message(frame('O', 104), kv40_model()).program, 27);
}

TEST(UnitModel, Kv80ProgramCodes) {
    EXPECT_EQ(kv80_program(101), 20);
    EXPECT_EQ(kv80_program(114), 33);
    EXPECT_EQ(kv80_program(13), 188);  // wraps in the byte
}

TEST(TmjAlternation, BothStartingStates) {
    // Nothing stored or something else: 27, then 33 once 27 is stored.
    EXPECT_EQ(alternate_tmj(27, std::nullopt), 27);
    EXPECT_EQ(alternate_tmj(27, "20"), 27);
    EXPECT_EQ(alternate_tmj(27, "27"), 33);
    EXPECT_EQ(alternate_tmj(27, "33"), 27);
    EXPECT_EQ(alternate_tmj(27, " 27x"), 33);
    EXPECT_EQ(alternate_tmj(28, "27"), 28);
}

AcquisitionRecord laid_out(const UnitModel& model, int program, const Overrides& widths = {}) {
    AcquisitionRecord r{};
    r.program = static_cast<std::uint8_t>(program);
    lay_out_sections(r, model, program, widths);
    return r;
}

TEST(Sections, ThreeSectionProgramStarts) {
    const AcquisitionRecord r = laid_out(kv80_model(), 29);
    ASSERT_EQ(+r.section_count, 3);
    EXPECT_EQ(+r.sections[0].start, 0);
    EXPECT_EQ(+r.sections[1].start, 500);
    EXPECT_EQ(+r.sections[2].start, 1100);
    EXPECT_EQ(+r.sections[2].width, 550);
}

TEST(Sections, OverridesReplaceTableWidths) {
    EXPECT_EQ(+laid_out(kv80_model(), 20, {std::string("2200")}).sections[0].width, 2200);
    const AcquisitionRecord r = laid_out(kv80_model(), 27, {std::nullopt, std::string("600")});
    EXPECT_EQ(+r.sections[0].width, 520);
    EXPECT_EQ(+r.sections[1].start, 570);
    EXPECT_EQ(+r.sections[1].width, 600);
}

TEST(Sections, UnknownProgramsAndModelDifferences) {
    for (int program : {0, 31, 32, 34, 200}) {
        const AcquisitionRecord r = laid_out(kv80_model(), program);
        EXPECT_EQ(+r.section_count, 1) << program;
        EXPECT_EQ(+r.sections[0].width, 0) << program;
        EXPECT_FALSE(reads_overrides(kv80_model(), program)) << program;
    }
    EXPECT_TRUE(reads_overrides(kv80_model(), 21));
    EXPECT_FALSE(reads_overrides(kv40_model(), 21));
    EXPECT_EQ(+laid_out(kv40_model(), 21).sections[0].width, 0);
    const AcquisitionRecord r = laid_out(kv40_model(), 33);
    EXPECT_EQ(+r.sections[0].width, 560);
    EXPECT_EQ(+r.sections[1].start, 610);
    EXPECT_EQ(+r.sections[1].width, 530);
}

TEST(Timing, TableOverridesAndUnknownPrograms) {
    std::array<int, 10> gaps{};
    gaps.fill(-1);
    EXPECT_EQ(fill_timing(kv80_model(), 33, gaps, {}), 2000);
    EXPECT_EQ(gaps[0], 10);
    EXPECT_EQ(gaps[1], 700);
    EXPECT_EQ(gaps[2], -1);  // nothing beyond the program's sections

    gaps.fill(-1);
    EXPECT_EQ(fill_timing(kv80_model(), 31, gaps, {std::string("99")}), 200);
    EXPECT_EQ(gaps[0], 10);
    EXPECT_EQ(gaps[1], -1);

    gaps.fill(-1);
    EXPECT_EQ(fill_timing(kv80_model(), 27, gaps, {std::nullopt, std::string("60")}), 1200);
    EXPECT_EQ(gaps[0], 20);
    EXPECT_EQ(gaps[1], 60);

    gaps.fill(-1);
    EXPECT_EQ(fill_timing(kv40_model(), 27, gaps, {}), 1200);
    EXPECT_EQ(gaps[1], 35);
    EXPECT_EQ(fill_timing(kv40_model(), 29, gaps, {}), 200);
}

TEST(Resolution, StoredProgramDecides) {
    EXPECT_DOUBLE_EQ(*pixel_size("28"), 0.104 / 1.89);
    EXPECT_DOUBLE_EQ(*pixel_size("31"), 0.104 / 1.1);
    EXPECT_FALSE(pixel_size(std::nullopt));
    EXPECT_FALSE(pixel_size("19"));
    EXPECT_FALSE(pixel_size("34"));
}

TEST(CombineTmj, OnlyFirst27Combines) {
    EXPECT_EQ(combined_tmj_program(27, 33), 34);
    EXPECT_EQ(combined_tmj_program(27, 27), 34);
    EXPECT_EQ(combined_tmj_program(33, 27), 0);
    EXPECT_EQ(combined_tmj_program(27, 28), 0);
}

}  // namespace
}  // namespace np::serial
