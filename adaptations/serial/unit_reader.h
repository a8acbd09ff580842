// One wait for the unit's message: a reader thread on the link and an Escape
// watcher, meeting through the done event and the receive state.
#pragma once

#include <windows.h>

#include "adaptations/serial/unit_link.h"
#include "adaptations/serial/unit_model.h"
#include "common/acquisition_record.h"

namespace np::serial {

enum class ReadOutcome {
    received,   // `record` holds the parsed message
    cancelled,  // Escape was pressed first
    failed,     // the link could not be read, or the threads could not run
};

struct ReadResult {
    ReadOutcome outcome;
    AcquisitionRecord record;
};

// Blocks until the message is in or the operator pressed Escape. A press that ended
// before the call does not count. When the message is complete and Escape is seen
// at the same moment, whichever the threads settle first wins: the result is never
// part cancelled and part received.
ReadResult wait_for_message(UnitLink& link, const UnitModel& model);

}  // namespace np::serial
