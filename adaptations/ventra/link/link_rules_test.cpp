#include <gtest/gtest.h>

#include <array>

#include "adaptations/ventra/link/indicator_scan.h"
#include "adaptations/ventra/link/startup_rules.h"
#include "adaptations/ventra/link/status_block.h"
#include "adaptations/ventra/link/unit_display.h"

namespace np::ventra {
namespace {

TEST(VentraStatus, BlockDecodesBitsProgramsAndIgnoresForeignErrors) {
    std::array<std::uint16_t, 15> words{};
    words[0] = 0x0B00 | 0x80 | 0x08;  // ready, indicator prompts, access bits 2, laser, state 2
    words[1] = 61;
    words[2] = 0x4000;
    words[6] = 0x51;  // P3: family 1, variant 5
    words[14] = 95;
    StatusBlock s = decode_status(words);
    EXPECT_TRUE(s.laser && s.ready && s.indicator_prompts && s.maintenance_access);
    EXPECT_FALSE(s.emission);
    EXPECT_EQ(s.machine_state, kExposure);
    EXPECT_EQ(s.error_code, 0);  // above 60: not the console's
    EXPECT_EQ(s.indicators, 0x4000);
    EXPECT_EQ(s.program_family(), 1);
    EXPECT_EQ(s.program_variant(), 5);
    EXPECT_EQ(s.parameters[4], 95);

    words[0] = 0x0400 | 0x20 | 0x40;  // access bits 1, state bit 5, emission
    words[1] = 60;
    s = decode_status(words);
    EXPECT_TRUE(s.emission && s.state_not_evaluated);
    EXPECT_FALSE(s.maintenance_access);
    EXPECT_EQ(s.error_code, 60);
}

TEST(VentraIndicators, ScanShowsActiveIndicatorsInTurnAndReadyAfterAFullRound) {
    const std::uint16_t collimator_and_mains = 0x0100 | 0x2000;  // index 0 value 1, index 6 value 2
    IndicatorScan scan = scan_indicators(collimator_and_mains, 3);
    ASSERT_TRUE(scan.shown);
    EXPECT_EQ(scan.shown->text, 65);
    EXPECT_EQ(scan.shown->information_code, 14);
    EXPECT_EQ(scan.next_index, 7);
    scan = scan_indicators(collimator_and_mains, scan.next_index);
    ASSERT_TRUE(scan.shown);
    EXPECT_EQ(scan.shown->text, 61);
    EXPECT_EQ(scan.shown->prompt, 24035);
    EXPECT_EQ(scan.next_index, 1);

    scan = scan_indicators(0x0300, 5);  // collimator value 3 means nothing
    EXPECT_FALSE(scan.shown);
    EXPECT_EQ(scan.next_index, 5);

    EXPECT_EQ(indicator_at(3, 0x0060)->text, 60);  // cassette absent
    EXPECT_EQ(indicator_at(3, 0x0080), std::nullopt);
    EXPECT_EQ(indicator_at(5, 0x0018)->prompt, 24085);
    EXPECT_EQ(indicator_at(7, 0x0002)->text, 66);
}

TEST(VentraDisplay, StateTextsAreCutPaddedAndTranslated) {
    const DisplayWords words = display_text("Demo_without_x-ray and more", true);
    std::string shown;
    for (std::uint16_t w : words) {
        shown += static_cast<char>(w & 0xFF);
        shown += static_cast<char>(w >> 8);
    }
    EXPECT_EQ(shown, std::string("Demo_without_x-ray a") + std::string(19, ' ') + '\0');

    EXPECT_EQ(display_character('^'), 78);
    EXPECT_EQ(display_character(0xE9), 130);  // é
    EXPECT_EQ(display_character(0xB0), 178);  // °
    EXPECT_EQ(display_character(0x9F), 32);
    EXPECT_EQ(display_character(7), 32);
    EXPECT_EQ(display_character(0), 0);
    EXPECT_EQ(display_text("\xE9t\xE9", false)[0], 0x74E9);  // the start-up text is left as it is

    EXPECT_EQ(code_field(5, CodeKind::information), (std::array<std::uint16_t, 2>{0x3049, 0x0035}));
    EXPECT_EQ(std::string(code_text(12, CodeKind::error).data()), "E12");
    EXPECT_EQ(std::string(code_text(0, CodeKind::error).data()), "   ");
}

TEST(VentraStartup, FirmwareAndSystemChecks) {
    const auto block = [](const char* version) {
        std::array<std::uint16_t, 15> words{};
        for (int i = 0; version[i]; ++i)
            words[6 + i / 2] |= static_cast<std::uint16_t>(static_cast<std::uint8_t>(version[i]) << (i % 2 * 8));
        return words;
    };
    // 0.9, 1.01 and 1.02: the shell's test opens the unit with each.
    EXPECT_TRUE(firmware_accepted(firmware_version(block("1.00"))));

    EXPECT_TRUE(supported_system(5, 1, "Service Pack 3"));
    EXPECT_TRUE(supported_system(4, 10, " A "));
    EXPECT_FALSE(supported_system(4, 10, ""));
    EXPECT_FALSE(supported_system(6, 1, ""));
}

TEST(VentraCooling, TimeOrMovingMarker) {
    EXPECT_EQ(cooling_text(125, ""), "02:05");
    EXPECT_EQ(cooling_text(0xFFFF, "02:05"), ">    ");
    EXPECT_EQ(cooling_text(0xFFFF, "  >  "), "   > ");
    EXPECT_EQ(cooling_text(0xFFFF, "    >"), ">    ");
}

}  // namespace
}  // namespace np::ventra
