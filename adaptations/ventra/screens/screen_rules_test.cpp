#include "adaptations/ventra/screens/screen_rules.h"

#include <gtest/gtest.h>

#include <cmath>

namespace np::ventra {
namespace {

TEST(CalibrationRules, ProgramCommandsAndStepChecks) {
    EXPECT_EQ(calibration_program_command(Quantity::kv, 1), 0x0504);
    EXPECT_EQ(calibration_program_command(Quantity::kv, 2), 0x1504);
    EXPECT_EQ(calibration_program_command(Quantity::ma, 2), 0x1604);
    const std::array<std::uint16_t, 5> parameters{70, 63, 0, 0, 0};
    EXPECT_EQ(set_value(Quantity::kv, parameters), 70.0);
    EXPECT_DOUBLE_EQ(set_value(Quantity::ma, parameters), 6.3);

    const StepCheck off_unit = check_step(Quantity::kv, 70, 66.9, 67);
    EXPECT_TRUE(off_unit.unit_out_of_limits);
    EXPECT_FALSE(off_unit.entry_refused);
    EXPECT_TRUE(check_step(Quantity::kv, 70, 73, 73).accepted());
    EXPECT_TRUE(check_step(Quantity::kv, 70, 71, 74.5).entry_refused);
    // mA: one milliampere up to 6.3 mA set, two above.
    EXPECT_TRUE(check_step(Quantity::ma, 6.3, 7.5, 6.3).unit_out_of_limits);
    EXPECT_TRUE(check_step(Quantity::ma, 6.4, 8.4, 6.4).accepted());
    EXPECT_TRUE(check_step(Quantity::ma, 10, 10, 12.5).entry_refused);
    EXPECT_TRUE(check_step(Quantity::ma, 4, 4, std::nan("")).entry_refused);
}

TEST(CalibrationRules, TwoPointsGiveTheMeasurementAndCommandPairs) {
    // The unit reads 2 % high plus 1 kV; the tube gives 1 kV less than asked.
    const auto result = calibration_result({70, 72.4, 69}, {85, 87.7, 84});
    ASSERT_TRUE(result);
    EXPECT_NEAR(result->measurement.gain, 15.0 / 15.3, 1e-6);
    EXPECT_NEAR(result->measurement.gain * 72.4 + result->measurement.offset, 69, 1e-4);
    EXPECT_NEAR(result->command.gain, 1.0, 1e-6);
    EXPECT_NEAR(result->command.offset, 1.0, 1e-4);
    EXPECT_FALSE(calibration_result({70, 72, 69}, {85, 72, 84}));

    CalibrationBlock block{};
    block[6] = 0xABCD;
    put_calibration_pairs(block, Quantity::kv, *result);
    EXPECT_EQ(block[6], 0xABCD);
    EXPECT_EQ(block[11], 0x0000);  // command gain 1.0f, low word first
    EXPECT_EQ(block[12], 0x3F80);
    const CalibrationResult back = calibration_pairs(block, Quantity::kv);
    EXPECT_EQ(back.command.offset, result->command.offset);
    EXPECT_EQ(calibration_pairs(block, Quantity::ma).measurement.gain, 0.0f);
}

TEST(CommunicationRules, HistoryAndPortNames) {
    EXPECT_EQ(request_history(0, 0).failure_rate, "0.0 %");
    const RequestHistory history = request_history(65535, 65535);
    EXPECT_EQ(history.total, 131070u);  // no 16-bit overflow
    EXPECT_EQ(history.failure_rate, "50.0 %");
    EXPECT_EQ(serial_value_name(4, 0), "COM1");
    EXPECT_EQ(serial_value_name(4, 9), "COM10");
    EXPECT_EQ(serial_value_name(5, 1), "\\Device\\Serial1");
}

TEST(ParameterWords, ManufacturingAndPreferencesRoundTrip) {
    const std::array<std::uint16_t, 11> words{'A' | 'B' << 8, 'C' | '1' << 8, '2', 0, 0, 1, 1, 3, 1, 2, 0x5A5A};
    Manufacturing values = unpack_manufacturing(words);
    EXPECT_EQ(values.serial, "ABC12");
    EXPECT_EQ(values.tube, 2);
    EXPECT_EQ(pack_manufacturing(values), words);
    values.serial = "0123456789XYZ";  // cut to ten characters, no NUL needed
    const auto packed = pack_manufacturing(values);
    EXPECT_EQ(packed[4], '8' | '9' << 8);
    EXPECT_EQ(packed[5], 1);

    std::array<std::uint16_t, 14> prefs{2, 1, 0xFFFE, 10, 3, 11, 4, 12, 5, 20, 6, 21, 7, 22};
    const Preferences p = unpack_preferences(prefs);
    EXPECT_EQ(p.cells[0][0], -2);  // child kV, small
    EXPECT_EQ(p.cells[1][2], 12);  // child rate, large
    EXPECT_EQ(p.cells[2][1], 6);   // adult kV, medium
    EXPECT_EQ(p.cells[3][0], 20);  // adult rate, small
    EXPECT_EQ(pack_preferences(p), prefs);
    EXPECT_EQ(parse_preference_cell(0, " -5 "), -5);
    EXPECT_FALSE(parse_preference_cell(1, "-5"));
    EXPECT_FALSE(parse_preference_cell(0, "40000"));
    EXPECT_FALSE(parse_preference_cell(2, "7a"));
}

TEST(HeatingAndLogRules, RowsStepsPrintLinesAndMailNames) {
    EXPECT_EQ(heating_kv(10), 90);
    EXPECT_EQ(heating_step_reached(0x37), 3);
    EXPECT_EQ(heating_step_reached(0xF7), 11);
    const auto lines = log_print_lines(std::string_view("Error n\xB0" "12\t01\r\r\nB\r\r\n\0tail", 23));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "B");
    EXPECT_TRUE(log_print_lines("").empty());
    EXPECT_STREQ(mail_result_name(10), "TOO_MANY_RECIPIENTS");
    EXPECT_STREQ(mail_result_name(1), "unknown error.");
}

}  // namespace
}  // namespace np::ventra
