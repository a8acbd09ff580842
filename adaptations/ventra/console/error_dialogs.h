// The dialogs the status poll opens for the unit's errors: the handswitch released
// too early (1), parameters the unit found inconsistent (54, 56, 57) and parameters it
// replaced by its defaults (55).
#pragma once

#include <windows.h>

#include <cstdint>

#include "adaptations/ventra/module/ventra_module.h"

namespace np::ventra {

void show_handswitch_error(HWND owner, const VentraModule& module);

// Errors 54, 56 and 57. True when the operator leaves (Exit): the error stands and the
// acquisition cannot go on.
bool show_parameters_error(HWND owner, const VentraModule& module, std::uint16_t code);

void show_stored_parameters_error(HWND owner, const VentraModule& module);

}  // namespace np::ventra
