// The scan direction of units that cannot report it: the "Rotation" setting.
#pragma once

#include "common/settings_key.h"

namespace np {

// True when "Rotation" below "NORVANE\PANO" reads 1, or cannot be read at all; any
// other number means the unit scans in reverse and its columns come mirrored.
inline bool forward_scan_setting() {
    constexpr std::size_t kRotationBuffer = 8;
    return SettingsKey("NORVANE\\PANO").number("Rotation", kRotationBuffer, "1") == 1;
}

}  // namespace np
