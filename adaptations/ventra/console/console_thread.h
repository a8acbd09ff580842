// How the console runs for the driver: on a thread of its own, handed back as a
// window (StartDesignDialog), or modally on the caller's thread (ReadCommData).
#pragma once

#include <windows.h>

#include "adaptations/ventra/module/ventra_module.h"

namespace np::ventra {

// Starts the console thread and returns once the console's window exists. When the
// console cannot be created at all, the out handle is null and the driver has been
// told the acquisition is abandoned (callback 1, then 3), so that nobody waits for it.
int start_design_dialog(VentraModule& module, HWND host, HWND* console, contract::NotifyFn notify);

int read_comm_data(VentraModule& module);

// The window of the console the thread runs, null when there is none yet.
HWND published_console_window();

}  // namespace np::ventra
