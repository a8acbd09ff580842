// The module's state, one per process, from the module's load to its unload.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "adaptations/ventra/link/machine_link.h"
#include "adaptations/ventra/texts/language_module.h"
#include "common/acquisition_record.h"
#include "common/adaptation_contract.h"
#include "common/version_record.h"

namespace np::ventra {

struct VentraModule {
    HINSTANCE instance = nullptr;  // whose resources hold the skin and the dialog templates
    LanguageModule language;
    MachineLink link;
    AcquisitionRecord* record = nullptr;  // written by the console, read by the driver
    std::atomic<bool> technical_access{false};
    std::atomic<bool> new_firmware{false};
    std::atomic<bool> mirror{false};  // refreshed when an exposure begins
    VersionRecord* versions = nullptr;
    HCURSOR hand_cursor = nullptr;
    HWND host_window = nullptr;               // StartDesignDialog's first argument, kept
    contract::NotifyFn notify = nullptr;      // the driver's callback, may be null

    // Without its language module the module cannot work at all: false fails the load.
    bool start();
    void end();
};

VentraModule& ventra();

// OpenCommPort: the registry keys, the link, its start-up check. 0 or 7.
int open_comm_port(VentraModule& module);

}  // namespace np::ventra
