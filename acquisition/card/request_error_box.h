// The box the driver shows when a request to the card driver or the start of a
// worker thread fails: no owner, stop icon, "Scanlink : <request>" as title and the
// system's text for the thread's last error.
#pragma once

#include <string>

#include "acquisition/card/card_device.h"

namespace np::card {

inline constexpr const char* kErrorBoxTitlePrefix = "Scanlink : ";

// The system's message for an error code, in the user's default language; empty when
// the system has none.
std::string system_error_text(unsigned long error);

// Reads the last error first, so nothing the box does can change what it reports.
void show_request_error(const char* request_name);
inline void show_request_error(Request request) {
    show_request_error(request_name(request));
}

}  // namespace np::card
