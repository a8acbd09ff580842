// What the console refreshes from the unit: the program into the acquisition
// record, the exposure time, the mirror flag, the cooling display. A failed read
// leaves everything as it was and answers false (or none).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "adaptations/ventra/module/ventra_module.h"

namespace np::ventra {

bool refresh_program(VentraModule& module);
bool refresh_time(VentraModule& module);
bool refresh_mirror(VentraModule& module);
std::optional<std::string> refresh_cooling(const VentraModule& module, std::string_view shown);

}  // namespace np::ventra
