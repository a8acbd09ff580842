#include "acquisition/acquisition_preparation.h"

#include <mutex>

#include "acquisition/preview/preview_bitmap.h"
#include "acquisition/record/record_rules.h"
#include "acquisition/transfer/live_preview.h"

namespace np::acquisition {
namespace {

// The events a notification may signal. The module calls from any thread, possibly
// while the driver closes them, so a signal and a close never overlap.
struct NotifyTargets {
    std::mutex mutex;
    HANDLE start = nullptr;
    HANDLE cancel = nullptr;
    HANDLE external_end = nullptr;
};

NotifyTargets& targets() {
    static NotifyTargets instance;
    return instance;
}

void signal(HANDLE NotifyTargets::*which) {
    NotifyTargets& t = targets();
    std::lock_guard lock(t.mutex);
    if (t.*which) ::SetEvent(t.*which);
}

void press_escape() {
    constexpr BYTE kEscapeScanCode = 69;
    ::keybd_event(VK_ESCAPE, kEscapeScanCode, KEYEVENTF_EXTENDEDKEY, 0);
    ::keybd_event(VK_ESCAPE, kEscapeScanCode, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP, 0);
}

// The start and cancel events live from just before StartDesignDialog until one of
// them has been signalled.
class ConsoleEvents {
  public:
    ConsoleEvents()
        : start_(::CreateEventA(nullptr, FALSE, FALSE, kStartEventName)),
          cancel_(::CreateEventA(nullptr, FALSE, FALSE, kCancelEventName)) {
        NotifyTargets& t = targets();
        std::lock_guard lock(t.mutex);
        t.start = start_.get();
        t.cancel = cancel_.get();
    }
    ~ConsoleEvents() {
        NotifyTargets& t = targets();
        std::lock_guard lock(t.mutex);
        t.start = nullptr;
        t.cancel = nullptr;
    }
    ConsoleEvents(const ConsoleEvents&) = delete;
    ConsoleEvents& operator=(const ConsoleEvents&) = delete;

    bool created() const { return start_ && cancel_; }
    // True when the operator started, false on cancel or a failed wait.
    bool wait_for_start() const {
        const HANDLE events[2] = {start_.get(), cancel_.get()};
        return ::WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0;
    }

  private:
    UniqueHandle start_;
    UniqueHandle cancel_;
};

Preparation prepare_with_console(DriverState& state) {
    const adaptation::EntryPoints& entry = state.adaptation.entry();
    Preparation preparation;
    if (!wait_for_console_start(state)) return {kPreparationCancelled};
    if (entry.GetInfosTir) entry.GetInfosTir(&state.record);

    state.preview_factor = record::preview_factor(state.record);
    state.preview.reset();
    state.preview = preview::allocate_preview_bitmap(state.preview_factor);
    if (!state.preview) return {kPreviewUnavailable};
    preparation.planned_length = record::planned_length(state.record);
    preparation.preview_offset =
        transfer::preview_offset(state.preview_factor, preparation.planned_length);
    return preparation;
}

}  // namespace

bool wait_for_console_start(DriverState& state) {
    ConsoleEvents events;
    if (!events.created()) return false;
    state.adaptation.entry().StartDesignDialog(state.host_window, &state.console_window,
                                               notify_driver);
    return events.wait_for_start();
}

void set_external_end_event(HANDLE event) {
    NotifyTargets& t = targets();
    std::lock_guard lock(t.mutex);
    t.external_end = event;
}

void notify_driver(int code) {
    switch (code) {
        case contract::kNotifyStart:
            signal(&NotifyTargets::start);
            break;
        case contract::kNotifyCancel:
            signal(&NotifyTargets::cancel);
            break;
        case contract::kNotifyEnd:
            signal(&NotifyTargets::external_end);
            break;
        default:
            press_escape();
            break;
    }
}

Preparation prepare_acquisition(DriverState& state) {
    const adaptation::EntryPoints& entry = state.adaptation.entry();
    if (entry.StartDesignDialog) return prepare_with_console(state);
    Preparation preparation;
    preparation.result = entry.ReadCommData(state.host_window, &state.record);
    if (preparation.result != kPrepared) return preparation;
    preparation.planned_length = record::planned_length(state.record);
    return preparation;
}

}  // namespace np::acquisition
