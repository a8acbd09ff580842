#include "sim/ventra-unit/unit_model.h"

#include <gtest/gtest.h>

namespace np::ventraunit {
namespace {

TEST(VentraUnitModel, HandswitchRunsRotationExposureReturnAndCountsTheExposure) {
    UnitModel unit;
    unit.set_word(reg::parameters + 2, 150);  // 1.5 s
    unit.press_handswitch();
    EXPECT_EQ(unit.machine_state(), MachineState::rotation);
    unit.advance(400);
    EXPECT_EQ(unit.machine_state(), MachineState::exposure);
    EXPECT_EQ(unit.word(reg::status) & 0x40, 0x40);  // emission
    unit.advance(1499);
    EXPECT_EQ(unit.machine_state(), MachineState::exposure);
    unit.advance(401);
    EXPECT_EQ(unit.machine_state(), MachineState::idle);
    EXPECT_EQ(unit.word(reg::diagnostic), 1);

    unit.set_error(12);  // an error blocks the next exposure
    unit.press_handswitch();
    EXPECT_EQ(unit.machine_state(), MachineState::idle);
}

TEST(VentraUnitModel, CommandsWrittenToTheCommandRegisterTakeEffect) {
    UnitModel unit;
    unit.set_word(reg::command, 0x1104);
    unit.written(reg::command, 1);
    EXPECT_EQ(unit.word(reg::programs + 3), 0x11);
    unit.set_word(reg::command, 0x0101);  // kV down
    unit.written(reg::command, 1);
    EXPECT_EQ(unit.word(reg::parameters), 69);
    EXPECT_EQ(unit.word(reg::programs), 69);
    unit.set_error(3);
    unit.apply_command(0x0080);
    EXPECT_EQ(unit.word(reg::status + 1), 0);
}

TEST(VentraUnitModel, ParameterGroupsAreStoredLostAndReloaded) {
    UnitModel unit;
    unit.set_word(reg::calibration + 39, 0x1234);
    unit.apply_command(0x0181);
    unit.set_word(reg::preferences, 0x5678);  // never stored
    unit.lose_group(1);
    EXPECT_EQ(unit.word(reg::calibration + 39), 0);
    EXPECT_EQ(unit.word(reg::status + 1), 54);
    unit.restart();
    EXPECT_EQ(unit.word(reg::calibration + 39), 0x1234);
    EXPECT_EQ(unit.word(reg::preferences), 0x4400);
}

TEST(VentraUnitModel, HeatingProgramStepsAtEachHandswitch) {
    UnitModel unit;
    unit.apply_command(0x0704);
    unit.press_handswitch();
    EXPECT_EQ(unit.machine_state(), MachineState::exposure);
    unit.advance(300);
    EXPECT_EQ(unit.machine_state(), MachineState::idle);
    EXPECT_EQ(unit.word(reg::programs + 3), 0x17);
    EXPECT_EQ(unit.word(reg::heating_table), static_cast<std::uint16_t>(-15));
}

TEST(VentraUnitModel, TextsKeepTheirFirstCharacterInTheLowByte) {
    UnitModel unit;
    EXPECT_EQ(unit.word(reg::identification) & 0xFF, 'N');
    EXPECT_EQ(unit.text_at(reg::identification + 6, 4), "1.02");
    EXPECT_EQ(play_unit_command(unit, "firmware 0.9"), "");
    EXPECT_EQ(unit.text_at(reg::identification + 6, 4), "0.9");
    EXPECT_NE(play_unit_command(unit, "error twelve"), "");
    EXPECT_NE(play_unit_command(unit, "fly"), "");
}

}  // namespace
}  // namespace np::ventraunit
