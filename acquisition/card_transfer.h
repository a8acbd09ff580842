// One picture transfer from the card into the raw image buffer: the card started,
// the two watcher threads, the wait loop at raised priority, the live preview, and
// everything stopped and restored again on the way out.
#pragma once

#include "acquisition/driver_state.h"
#include "acquisition/image/image_types.h"
#include "acquisition/image/mask.h"

namespace np::acquisition {

inline constexpr UINT kPreviewMessage = WM_USER + 601;  // 1625

struct TransferRequest {
    int planned_length = 0;
    int preview_offset = 0;
    image::DisplayTable* display_table = nullptr;  // kept for the next preview
};

// A transfer result (transfer::TransferResult). Writes "c:\Buffer1.raw" whatever the
// outcome; on success the image length (and in 12-bit mode the record's sections)
// come from what was received.
int run_card_transfer(DriverState& state, const TransferRequest& request);

// The mask as image building takes it.
image::FlatFieldMask flat_field_mask(const mask::Mask& mask);

}  // namespace np::acquisition
