// Reading the mask from the Windows system directory.
#pragma once

#include <optional>

#include "acquisition/mask/mask_file.h"

namespace np::mask {

// nullopt when the file is missing, unreadable or too short.
std::optional<Mask> read_system_mask();

}  // namespace np::mask
