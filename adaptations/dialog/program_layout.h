// What the program-selection modules share: a program's image sections and timings
// with their registry overrides, the record fields every model fills the same way,
// and the pixel size.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/acquisition_record.h"

namespace np::dialog {

inline constexpr int kMaxProgramSections = 4;
inline constexpr int kFirstGap = 10;                // line pairs before the first section
inline constexpr int kUnknownProgramTimeout = 200;  // time-out units of a program without table
inline constexpr std::uint8_t kUnitByte = 77;
inline constexpr std::uint32_t kRecordFilled = 100;

struct ProgramLayout {
    int sections;                                 // 1 ... 4
    std::array<int, kMaxProgramSections> widths;  // image columns
    std::array<int, kMaxProgramSections> gaps;    // line pairs before each section
    int timeout_units;
};

// Values stored as text under a program's key ("W1".. or "I1"..); empty: the table's.
using Overrides = std::array<std::optional<std::string>, kMaxProgramSections>;

struct ModuleVersion {
    const char* name;
    const char* version;
    const char* date;
};

// Section count, starts and widths of the program (null: none in the table, which
// leaves one section of width 0), the table widths replaced by the overrides.
void lay_out_sections(AcquisitionRecord& record, const ProgramLayout* layout,
                      const Overrides& widths);

// GetTiming: gaps[0] = 10 before anything else, then the program's gaps (or their
// overrides); returns the program's time-out units. Nothing beyond the program's
// sections is written.
int fill_timing(const ProgramLayout* layout, std::span<int> gaps, const Overrides& overrides);

// Pixel size in millimetres at the given magnification of the beam.
double pixel_size(double magnification);

// An exposure time text ("12.0") as the record's seconds.
float exposure_seconds(const char* text);

// The name of a program without one of its own: "P" and the program number.
std::string default_program_name(int program);

// The fields every model fills alike after the operator confirmed.
AcquisitionRecord confirmed_record(int program, int kv, int ma, const char* time_text);

}  // namespace np::dialog
