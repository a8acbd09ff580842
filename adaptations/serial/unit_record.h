// How the module turns the unit's program into the record's image sections, the
// driver's timings and the pixel size.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>

#include "adaptations/serial/unit_model.h"
#include "common/acquisition_record.h"

namespace np::serial {

inline constexpr int kTmjProgram = 27;
inline constexpr int kSecondTmjProgram = 33;
inline constexpr int kCombinedTmjProgram = 34;

// Values stored under a program's key, as text: "W1".."W3" or "I1".."I3". An empty
// entry leaves the table value.
using Overrides = std::array<std::optional<std::string>, kMaxProgramSections>;

// The unit reports both TMJ programs as 27: the module answers 27 and 33 in turn,
// starting from the program of the last exposure ("ProgNum", when stored).
int alternate_tmj(int program, const std::optional<std::string>& last_program);

// True when the model's table knows the program, so that its key may hold overrides.
bool reads_overrides(const UnitModel& model, int program);

// Lays out the program's sections in the record (count, starts, widths), the table
// widths replaced by the width overrides.
void lay_out_sections(AcquisitionRecord& record, const UnitModel& model, int program,
                      const Overrides& widths);

// Writes gaps[0] and every further gap of the program (table value or override) and
// returns the program's time-out units. Nothing beyond the program's sections is written.
int fill_timing(const UnitModel& model, int program, std::span<int> gaps,
                const Overrides& overrides);

// The pixel size for the program of the last exposure; none when no program is
// stored or the stored one has no known magnification.
std::optional<double> pixel_size(const std::optional<std::string>& last_program);

int combined_tmj_program(int first, int second);

}  // namespace np::serial
