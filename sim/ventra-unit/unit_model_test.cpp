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
