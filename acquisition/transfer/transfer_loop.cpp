#include "acquisition/transfer/transfer_loop.h"

#include <algorithm>
#include <utility>

namespace np::transfer {
namespace {

class Loop {
  public:
    Loop(TransferPort& port, LineCollector& collector, LivePreview* preview)
        : port_(port), collector_(collector), preview_(preview) {}

    // One batch: what the card wrote since the last look.
    int process_new_data() {
        std::uint32_t index = 0;
        if (!port_.read_fill_index(index)) return kBatchFailed;
        const BatchOutcome outcome = collector_.process(port_.picture(), index);
        if (preview_ && outcome.line_count > 0)
            port_.send_preview(
                preview_->update(collector_.raw(), outcome.first_line, outcome.line_count));
        port_.trace(".");
        return outcome.result;
    }

    // The card will write no more: stop it and keep what it has written.
    int finish_with_rest(bool first_wait) {
        if (!port_.stop()) return kTransferFailed;
        switch (process_new_data()) {
            case kImageComplete:
                return kTransferComplete;
            case kKeepReading:
                return first_wait ? kTransferEndedBeforeData : kTransferComplete;
            default:
                return kTransferFailed;
        }
    }

    int run(std::optional<std::uint32_t> timeout_ms) {
        bool first_wait = true;
        for (;;) {
            const WaitOutcome outcome = port_.wait(first_wait ? std::nullopt : timeout_ms);
            const bool was_first = std::exchange(first_wait, false);
            switch (outcome) {
                case WaitOutcome::new_data: {
                    port_.trace("Evenement peNewBuffImage signal\xE9!\n");
                    const int batch = process_new_data();
                    if (batch == kKeepReading) continue;
                    const bool stopped = port_.stop();
                    return batch == kImageComplete && stopped ? kTransferComplete : kTransferFailed;
                }
                case WaitOutcome::end_of_transfer:
                    port_.trace("Evenement peFinXferImage signal\xE9!\n");
                    if (collector_.sections_started() < collector_.section_count()) {
                        port_.trace("pas derniere zone -> on continu!\n");
                        continue;
                    }
                    port_.trace("derniere zone -> arret lecture image!\n");
                    return finish_with_rest(was_first);
                case WaitOutcome::escape:
                    port_.trace(
                        "Touche ESC enfonc\xE9"
                        "e!\n");
                    port_.stop();
                    return kTransferEscaped;
                case WaitOutcome::external_end:
                case WaitOutcome::timeout:
                    port_.trace("timeout Evenements !\n");
                    return finish_with_rest(was_first);
                case WaitOutcome::failed:
                    port_.trace("erreur WaitForMultipleObjects !\n");
                    port_.stop();
                    return kTransferFailed;
            }
        }
    }

  private:
    TransferPort& port_;
    LineCollector& collector_;
    LivePreview* preview_;
};

}  // namespace

std::optional<std::uint32_t> event_timeout_ms(int timing_units, int mode) {
    if (timing_units < 0) return std::nullopt;
    const long long per_unit = mode == static_cast<int>(TransferMode::bits12) ? 20 : 10;
    return static_cast<std::uint32_t>(std::min<long long>(timing_units * per_unit, 0xFFFFFFFELL));
}

int run_transfer_loop(TransferPort& port, LineCollector& collector, LivePreview* preview,
                      std::optional<std::uint32_t> timeout_ms) {
    return Loop(port, collector, preview).run(timeout_ms);
}

}  // namespace np::transfer
