// The acquisition record as the unit's program selection sets it: the program
// code and image sections by family and variant of P3, then kV, mA and time.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "common/acquisition_record.h"

namespace np::ventra {

struct ProgramGeometry {
    std::uint8_t code;
    std::vector<ImageSection> sections;  // empty: the record's sections stay as they are
};

// None for selections that leave the record's program untouched.
std::optional<ProgramGeometry> program_for(std::uint16_t selection);

// Fills the record from the program block P0..P6 and the parameter block Q0..Q4.
void apply_unit_program(AcquisitionRecord& record, std::span<const std::uint16_t, 7> programs,
                        std::span<const std::uint16_t, 5> parameters);

}  // namespace np::ventra
