// Opening (PANOOPEN) and closing (PANOCLOSE) the driver.
#pragma once

#include "acquisition/driver_state.h"

namespace np::acquisition {

// 1 when open, else the first failure's negative code; whatever was acquired before
// the failure stays in `state` until close_driver releases it.
int open_driver(DriverState& state, HWND host_window, short host_code);

// Releases everything in reverse order; safe in any state, also twice.
void close_driver(DriverState& state);

}  // namespace np::acquisition
