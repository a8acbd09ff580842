// What the maintenance screens compute, without any window: the calibration
// arithmetic and its checks, the communication history, the packing of the
// manufacturing and preference words, the heating rows and the serial port names.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace np::ventra {

// ---- kV and mA calibration -------------------------------------------------------

enum class Quantity { kv, ma };

// The unit's calibration program for a step (1 or 2) of a quantity.
std::uint16_t calibration_program_command(Quantity quantity, int step);

// The value the unit was told to produce: kV from Q0, mA from Q1 (tenths).
double set_value(Quantity quantity, std::span<const std::uint16_t, 5> parameters);

// The calibration-measure block at 0x701E (8 words): the unit's own measurements as
// 32-bit floats, low word first.
inline constexpr int kCalibrationMeasureWords = 8;
inline constexpr std::size_t kMainsVoltageSlot = 0;
inline constexpr std::size_t kKvMeasureSlot = 2;
inline constexpr std::size_t kMaMeasureSlot = 4;
double unit_measurement(Quantity quantity, std::span<const std::uint16_t, kCalibrationMeasureWords> block);

struct StepCheck {
    bool unit_out_of_limits = false;  // text 770
    bool entry_refused = false;       // text 771
    bool accepted() const { return !unit_out_of_limits && !entry_refused; }
};

// c the set value, d the unit's measurement, m the value read on the instrument.
StepCheck check_step(Quantity quantity, double c, double d, double m);

struct MeasuredPoint {
    double set, unit, instrument;  // c, d, m
};

struct GainOffset {
    float gain = 1.0f, offset = 0.0f;
};

// The two pairs the result screen shows and Save stores.
struct CalibrationResult {
    GainOffset command, measurement;
};

// Null when the two points do not make a line (equal values in a step pair).
std::optional<CalibrationResult> calibration_result(const MeasuredPoint& step1, const MeasuredPoint& step2);

using CalibrationBlock = std::array<std::uint16_t, 40>;

CalibrationResult calibration_pairs(const CalibrationBlock& block, Quantity quantity);
void put_calibration_pairs(CalibrationBlock& block, Quantity quantity, const CalibrationResult& pairs);

// ---- heating-voltage calibration -------------------------------------------------

inline constexpr int kHeatingSteps = 11;
inline constexpr int kHeatingFirstWord = 23;  // in the calibration block
int heating_kv(int row);                      // 60, 63, ..., 90
// Rows done so far: the high four bits of P3, at most the table's length.
int heating_step_reached(std::uint16_t p3);

// ---- communication history -------------------------------------------------------

struct RequestHistory {
    std::uint32_t total, wrong;
    std::string failure_rate;  // "%.1f %"
};

RequestHistory request_history(std::uint16_t correct, std::uint16_t wrong);

// The serial ports' value names under "Hardware\DeviceMap\SerialComm", in the order
// they are tried: "COM1", "COM2", ... on system version 4, "\Device\Serial0", ... on 5.
std::string serial_value_name(unsigned system_major_version, int index);

// ---- manufacturing parameters ------------------------------------------------------

inline constexpr std::size_t kSerialNumberLength = 10;

struct Manufacturing {
    std::string serial;
    std::uint16_t voltage = 0, frequency = 0, panoramic = 0, cephalometric = 0, tube = 0;
    std::uint16_t reserved = 0;  // word 10: not shown, written back as read
};

Manufacturing unpack_manufacturing(std::span<const std::uint16_t, 11> words);
std::array<std::uint16_t, 11> pack_manufacturing(const Manufacturing& values);

// ---- user preferences ----------------------------------------------------------------

inline constexpr int kPreferenceRows = 4;     // child kV, child rate, adult kV, adult rate
inline constexpr int kPreferenceColumns = 3;  // small, medium, large

struct Preferences {
    std::uint16_t origin = 0, cephalometric = 0;
    // kV rows are signed compensations, rate rows unsigned lengths.
    std::array<std::array<int, kPreferenceColumns>, kPreferenceRows> cells{};
};

Preferences unpack_preferences(std::span<const std::uint16_t, 14> words);
std::array<std::uint16_t, 14> pack_preferences(const Preferences& values);
bool preference_row_is_signed(int row);
// A cell's text as typed: decimal, in the word's range for its row.
std::optional<int> parse_preference_cell(int row, std::string_view text);

// ---- log printing --------------------------------------------------------------------

// The lines of the log as printed: each ends before CR, LF or NUL; one CR and one LF
// after it are skipped, so a stored CR CR LF gives the line and an empty one.
std::vector<std::string> log_print_lines(std::string_view buffer);

// The name of a MAPISendMail result in the failure message.
const char* mail_result_name(unsigned long result);

}  // namespace np::ventra
