// How a test or a host application sets up the simulated card of Scanlink_sim: the
// values below HKEY_CURRENT_USER "Software\NORVANE\SIMULATOR\CARD", read each time the
// device is opened. Every value is optional; a missing one keeps the default of
// CardConfiguration.
//
//   "Present"    REG_DWORD   0: the device "\\.\ScanlinkDev0" does not exist
//   "Status"     REG_DWORD   status byte (default 5: ready, unit's line usable)
//   "Firmware"   REG_SZ      firmware version, 4 characters (default "1.10")
//   "Fail"       REG_SZ      request names that fail, separated by blanks, commas or
//                            semicolons, e.g. "IOCTL_MAP_PICT_XFER_ADD"
//   "FailError"  REG_DWORD   the last error those requests report (default 31,
//                            ERROR_GEN_FAILURE)
//   "SerialData" REG_BINARY  bytes the panoramic unit sends on the serial channel
#pragma once

#include <string_view>

#include "sim/card/card_simulator.h"

namespace np::sim {

inline constexpr const char* kCardSimulatorKey = "Software\\NORVANE\\SIMULATOR\\CARD";

CardConfiguration read_card_configuration();

// The requests named in a "Fail" value, each set to fail with `error`.
void parse_failing_requests(std::string_view names, DWORD error, CardConfiguration& configuration);

}  // namespace np::sim
