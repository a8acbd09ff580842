// The per-model tables of the serial-link units: how the unit names its programs,
// and for every program the image sections, the gaps before them, the time-out and
// the magnification of the beam at the sensor.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace np::serial {

inline constexpr int kMaxProgramSections = 3;

struct ProgramEntry {
    int program;
    int sections;
    std::array<int, kMaxProgramSections> widths;  // image columns
    std::array<int, kMaxProgramSections> gaps;    // line pairs before each section
    int timeout_units;
};

// What the module falls back to for a program its table does not know: one empty
// section, the short gap and time-out, and no override is read for it.
inline constexpr ProgramEntry kUnknownProgram{0, 1, {0, 0, 0}, {10, 0, 0}, 200};

struct UnitModel {
    const char* model_key;        // below "Software\": "NORVANE\PANO\KV80"
    std::size_t com_buffer;       // read buffer of the "COM" value
    std::size_t prog_num_buffer;  // read buffer of "ProgNum"
    std::uint8_t (*program_from_value)(std::uint8_t value);  // the 'O' frame
    std::span<const ProgramEntry> programs;
};

const UnitModel& kv80_model();
const UnitModel& kv40_model();

// The model's entry for the program, or null when the table has none.
const ProgramEntry* find_program(const UnitModel& model, int program);
// The model's entry, or kUnknownProgram.
const ProgramEntry& program_or_default(const UnitModel& model, int program);

// Magnification at the sensor, shared by both models; none outside 20..33.
std::optional<double> magnification(int program);

// The 'O' value as each unit sends it.
std::uint8_t kv80_program(std::uint8_t value);
std::uint8_t kv40_program(std::uint8_t value);

}  // namespace np::serial
