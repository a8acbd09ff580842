// Preparing an acquisition with the adaptation module: through its console
// (StartDesignDialog, the start and cancel events, GetInfosTir) or through
// ReadCommData. Also the notification callback the module drives the driver with.
#pragma once

#include <windows.h>

#include "acquisition/driver_state.h"

namespace np::acquisition {

inline constexpr const char* kStartEventName = "StartEvent";
inline constexpr const char* kCancelEventName = "CancelEvent";

// Preparation results the caller maps for the host.
inline constexpr int kPrepared = 0;
inline constexpr int kPreviewUnavailable = 3;
inline constexpr int kPreparationCancelled = 4;

struct Preparation {
    int result = kPrepared;
    int planned_length = 0;
    int preview_offset = 0;
};

Preparation prepare_acquisition(DriverState& state);

// The operator's start or cancel through the module's console (StartDesignDialog
// must be exported): true once started, false on cancel or when the events cannot
// be had. The events exist only while this runs.
bool wait_for_console_start(DriverState& state);

// While a transfer runs, notification code 3 signals this event; null otherwise.
void set_external_end_event(HANDLE event);

// The callback handed to StartDesignDialog.
void notify_driver(int code);

}  // namespace np::acquisition
