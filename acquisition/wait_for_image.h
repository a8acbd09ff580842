// PANOWAITFORIMAGE: one acquisition from the adaptation's preparation to the image
// message.
#pragma once

#include "acquisition/driver_state.h"

namespace np::acquisition {

// 1 when an image (or the raw image) was delivered, 0 otherwise; every way out except
// a missing raw buffer reports to the host by message.
int wait_for_image(DriverState& state);

}  // namespace np::acquisition
