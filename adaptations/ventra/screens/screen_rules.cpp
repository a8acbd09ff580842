#include "adaptations/ventra/screens/screen_rules.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "adaptations/ventra/files/unit_blocks.h"

namespace np::ventra {
namespace {

constexpr std::uint8_t kProgramCommand = 0x04;
constexpr std::uint8_t kKvCalibrationCode = 5;
constexpr std::uint8_t kMaCalibrationCode = 6;

// Word of the measurement gain in the calibration block; its compensation follows two
// words later, then the command gain and compensation.
constexpr std::size_t kKvPairs = 7;
constexpr std::size_t kMaPairs = 15;

constexpr double kKvTolerance = 3.0;
// A milliamperemeter's error grows with the current: from 6.3 mA up the unit and the
// entry may differ by 2 mA, below by 1 mA. The set current decides, since it is the
// one value of the step the operator cannot get wrong.
constexpr double kMaWideToleranceFrom = 6.3;
constexpr double kMaWideTolerance = 2.0;
constexpr double kMaNarrowTolerance = 1.0;

double tolerance(Quantity quantity, double set) {
    if (quantity == Quantity::kv) return kKvTolerance;
    return set > kMaWideToleranceFrom ? kMaWideTolerance : kMaNarrowTolerance;
}

bool within(double difference, double limit) {
    return difference >= -limit && difference <= limit;
}

void put_float(CalibrationBlock& block, std::size_t word, float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    block[word] = static_cast<std::uint16_t>(bits & 0xFFFF);
    block[word + 1] = static_cast<std::uint16_t>(bits >> 16);
}

std::size_t first_pair_word(Quantity quantity) {
    return quantity == Quantity::kv ? kKvPairs : kMaPairs;
}

}  // namespace

std::uint16_t calibration_program_command(Quantity quantity, int step) {
    const std::uint8_t code = quantity == Quantity::kv ? kKvCalibrationCode : kMaCalibrationCode;
    const std::uint8_t step_bit = step == 2 ? 1 : 0;
    return static_cast<std::uint16_t>((step_bit << 4 | code) << 8 | kProgramCommand);
}

double set_value(Quantity quantity, std::span<const std::uint16_t, 5> parameters) {
    return quantity == Quantity::kv ? parameters[0] : parameters[1] * 0.1;
}

double unit_measurement(Quantity quantity, std::span<const std::uint16_t, kCalibrationMeasureWords> block) {
    return block_float(block, quantity == Quantity::kv ? kKvMeasureSlot : kMaMeasureSlot);
}

StepCheck check_step(Quantity quantity, double c, double d, double m) {
    const double limit = tolerance(quantity, c);
    // NaN (an entry that is no number) fails both comparisons and is refused.
    return {!within(d - c, limit), !within(d - m, limit)};
}

// Step 1 and step 2 give two points of the unit's line. The measurement pair maps the
// unit's raw reading onto the instrument (m = gain * d + offset); the command pair
// maps a wanted value onto what must be commanded to get it (c = gain * m + offset),
// the inverse of what the unit produced for the two set values.
std::optional<CalibrationResult> calibration_result(const MeasuredPoint& step1, const MeasuredPoint& step2) {
    const double unit_span = step2.unit - step1.unit;
    const double instrument_span = step2.instrument - step1.instrument;
    const double set_span = step2.set - step1.set;
    if (unit_span == 0 || instrument_span == 0 || set_span == 0) return std::nullopt;
    const double measurement_gain = instrument_span / unit_span;
    const double command_gain = set_span / instrument_span;
    CalibrationResult result;
    result.measurement = {static_cast<float>(measurement_gain),
                          static_cast<float>(step1.instrument - measurement_gain * step1.unit)};
    result.command = {static_cast<float>(command_gain),
                      static_cast<float>(step1.set - command_gain * step1.instrument)};
    return result;
}

CalibrationResult calibration_pairs(const CalibrationBlock& block, Quantity quantity) {
    const std::size_t w = first_pair_word(quantity);
    CalibrationResult pairs;
    pairs.measurement = {block_float(block, w), block_float(block, w + 2)};
    pairs.command = {block_float(block, w + 4), block_float(block, w + 6)};
    return pairs;
}

void put_calibration_pairs(CalibrationBlock& block, Quantity quantity, const CalibrationResult& pairs) {
    const std::size_t w = first_pair_word(quantity);
    put_float(block, w, pairs.measurement.gain);
    put_float(block, w + 2, pairs.measurement.offset);
    put_float(block, w + 4, pairs.command.gain);
    put_float(block, w + 6, pairs.command.offset);
}

int heating_kv(int row) {
    return 60 + 3 * row;
}

int heating_step_reached(std::uint16_t p3) {
    return std::min(static_cast<int>((p3 >> 4) & 0x0F), kHeatingSteps);
}

RequestHistory request_history(std::uint16_t correct, std::uint16_t wrong) {
    const std::uint32_t total = std::uint32_t{correct} + wrong;
    // A unit that has seen no request yet has no failures either.
    const double rate = total == 0 ? 0.0 : 100.0 * wrong / total;
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %%", rate);
    return {total, wrong, text};
}

// The next port's name has the number at its end one higher ("COM9" is followed by
// "COM10", not by the character after '9').
std::string serial_value_name(unsigned system_major_version, int index) {
    if (system_major_version < 5) return "COM" + std::to_string(index + 1);
    return "\\Device\\Serial" + std::to_string(index);
}

Manufacturing unpack_manufacturing(std::span<const std::uint16_t, 11> words) {
    Manufacturing values;
    values.serial = block_text(words, 0, kSerialNumberLength);
    values.voltage = words[5];
    values.frequency = words[6];
    values.panoramic = words[7];
    values.cephalometric = words[8];
    values.tube = words[9];
    values.reserved = words[10];
    return values;
}

std::array<std::uint16_t, 11> pack_manufacturing(const Manufacturing& values) {
    std::array<std::uint16_t, 11> words{};
    const std::size_t length = std::min(values.serial.size(), kSerialNumberLength);
    for (std::size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<std::uint16_t>(static_cast<unsigned char>(values.serial[i]));
        words[i / 2] |= i % 2 == 0 ? byte : static_cast<std::uint16_t>(byte << 8);
    }
    words[5] = values.voltage;
    words[6] = values.frequency;
    words[7] = values.panoramic;
    words[8] = values.cephalometric;
    words[9] = values.tube;
    words[10] = values.reserved;
    return words;
}

// Rows: child kV, child rate, adult kV, adult rate; column j is body size j + 1.
// Child pairs start at word 2, adult pairs at word 8; kV first in each pair.
namespace {
std::size_t preference_word(int row, int column) {
    const int age = row / 2, rate = row % 2;
    return static_cast<std::size_t>(2 + 6 * age + 2 * column + rate);
}
}  // namespace

bool preference_row_is_signed(int row) {
    return row % 2 == 0;
}

Preferences unpack_preferences(std::span<const std::uint16_t, 14> words) {
    Preferences values;
    values.origin = words[0];
    values.cephalometric = words[1];
    for (int row = 0; row < kPreferenceRows; ++row)
        for (int column = 0; column < kPreferenceColumns; ++column) {
            const std::uint16_t w = words[preference_word(row, column)];
            values.cells[row][column] = preference_row_is_signed(row) ? static_cast<std::int16_t>(w) : w;
        }
    return values;
}

std::array<std::uint16_t, 14> pack_preferences(const Preferences& values) {
    std::array<std::uint16_t, 14> words{};
    words[0] = values.origin;
    words[1] = values.cephalometric;
    for (int row = 0; row < kPreferenceRows; ++row)
        for (int column = 0; column < kPreferenceColumns; ++column)
            words[preference_word(row, column)] = static_cast<std::uint16_t>(values.cells[row][column]);
    return words;
}

std::optional<int> parse_preference_cell(int row, std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    const bool is_signed = preference_row_is_signed(row);
    const int low = is_signed ? std::numeric_limits<std::int16_t>::min() : 0;
    const int high = is_signed ? std::numeric_limits<std::int16_t>::max() : 0xFFFF;
    if (value < low || value > high) return std::nullopt;
    return value;
}

std::vector<std::string> log_print_lines(std::string_view buffer) {
    buffer = buffer.substr(0, buffer.find('\0'));
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < buffer.size()) {
        const std::size_t end = std::min(buffer.find_first_of("\r\n", at), buffer.size());
        std::string line(buffer.substr(at, end - at));
        at = end;
        if (at < buffer.size() && buffer[at] == '\r') ++at;
        if (at < buffer.size() && buffer[at] == '\n') ++at;
        if (line.empty() && at >= buffer.size()) break;
        lines.push_back(std::move(line));
    }
    return lines;
}

const char* mail_result_name(unsigned long result) {
    switch (result) {
        case 0: return "SUCCESS.";
        case 2: return "FAILURE.";
        case 3: return "LOGIN_FAILURE.";
        case 5: return "INSUFFICIENT_MEMORY.";
        case 9: return "TOO_MANY_FILES.";
        case 10: return "TOO_MANY_RECIPIENTS";
        case 11: return "ATTACHMENT_NOT_FOUND.";
        case 12: return "ATTACHMENT_OPEN_FAILURE.";
        case 15: return "BAD_RECIPTYPE.";
        case 18: return "TEXT_TOO_LARGE.";
        case 21: return "AMBIGUOUS_RECIPIENT.";
        case 25: return "INVALID_RECIPS.";
        default: return "unknown error.";
    }
}

}  // namespace np::ventra
