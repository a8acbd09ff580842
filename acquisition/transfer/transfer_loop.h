// The wait loop of a transfer: reacts to the four transfer events until the image
// is complete, the operator escapes, the adaptation ends it or the card falls
// silent. The system calls live behind TransferPort.
#pragma once

#include <cstdint>
#include <optional>

#include "acquisition/transfer/line_collector.h"
#include "acquisition/transfer/live_preview.h"

namespace np::transfer {

enum class WaitOutcome { new_data, end_of_transfer, escape, external_end, timeout, failed };

class TransferPort {
  public:
    virtual ~TransferPort() = default;
    // nullopt: wait without a time limit.
    virtual WaitOutcome wait(std::optional<std::uint32_t> timeout_ms) = 0;
    // False when the card request failed (the port has told the operator).
    virtual bool read_fill_index(std::uint32_t& index) = 0;
    // Ends both watcher threads and the card's picture read; false if the card refused.
    virtual bool stop() = 0;
    virtual const std::uint16_t* picture() const = 0;
    virtual void send_preview(const PreviewMessages& messages) = 0;
    virtual void trace(const char* text) = 0;
};

// Transfer results.
enum TransferResult : int {
    kTransferComplete = 0,
    kTransferEndedBeforeData = 1,
    kTransferFailed = 2,
    kTransferEscaped = 4,
    kCardNotReady = 8,
};

// Time-out between two transfer events: GetTiming units of 10 ms, 20 ms in 12-bit mode.
// A negative count (a mistyped setting such as "-500") means no time-out at all: a wait
// of 0 ms would end every image after its first batch and call it complete.
std::optional<std::uint32_t> event_timeout_ms(int timing_units, int mode);

// Runs the loop on a started card. Every way out has stopped the port.
// `preview` may be null (live preview off); `timeout_ms` nullopt: no time-out.
int run_transfer_loop(TransferPort& port, LineCollector& collector, LivePreview* preview,
                      std::optional<std::uint32_t> timeout_ms);

}  // namespace np::transfer
