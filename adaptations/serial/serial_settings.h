// The registry settings of the serial-link modules, read through the settings key.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "adaptations/serial/unit_model.h"
#include "adaptations/serial/unit_record.h"

namespace np::serial {

// The "COM" value as text ("1" when it is missing or not text).
std::string read_com_port(const UnitModel& model);

// "BaudRatePano", when stored as a REG_DWORD.
std::optional<std::uint32_t> read_card_baud_rate();

// The program of the last completed exposure, as stored.
std::optional<std::string> read_last_program(const UnitModel& model);
bool write_last_program(const UnitModel& model, int program);

// "W1".."W3" (letter 'W') or "I1".."I3" (letter 'I') under the program's key, for as
// many sections as the program has; nothing for a program the table does not know.
Overrides read_overrides(const UnitModel& model, int program, char letter);

}  // namespace np::serial
