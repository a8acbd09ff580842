// The live preview bitmap the driver keeps between acquisitions: an 8-bit grey DIB
// of (4000 / f) x (1244 / f + 1) pixels in one movable global memory block, laid out
// as the image bitmap (header, 256 grey entries, bottom-up rows padded to 4 bytes,
// one spare byte).
#pragma once

#include "common/win32_handles.h"

namespace np::preview {

// Zero-filled (all pixels black); empty when the memory is not available.
UniqueGlobal allocate_preview_bitmap(int factor);

}  // namespace np::preview
