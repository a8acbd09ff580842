#include "acquisition/card_transfer.h"

#include <atomic>
#include <optional>

#include "acquisition/acquisition_preparation.h"
#include "acquisition/card/request_error_box.h"
#include "acquisition/image/bitmap_layout.h"
#include "acquisition/image/display_table.h"
#include "acquisition/record/record_rules.h"
#include "acquisition/transfer/line_collector.h"
#include "acquisition/transfer/live_preview.h"
#include "acquisition/transfer/raw_image_files.h"
#include "acquisition/transfer/transfer_loop.h"

namespace np::acquisition {
namespace {

using transfer::WaitOutcome;

constexpr DWORD kBufferWatchMs = 40;
constexpr DWORD kEscapeWatchMs = 100;

// The process and the calling thread run at raised priority while the lines arrive.
class RaisedPriority {
  public:
    RaisedPriority()
        : process_class_(::GetPriorityClass(::GetCurrentProcess())),
          thread_priority_(::GetThreadPriority(::GetCurrentThread())) {
        ::SetPriorityClass(::GetCurrentProcess(), HIGH_PRIORITY_CLASS);
        ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    }
    ~RaisedPriority() {
        if (process_class_) ::SetPriorityClass(::GetCurrentProcess(), process_class_);
        if (thread_priority_ != THREAD_PRIORITY_ERROR_RETURN)
            ::SetThreadPriority(::GetCurrentThread(), thread_priority_);
    }
    RaisedPriority(const RaisedPriority&) = delete;
    RaisedPriority& operator=(const RaisedPriority&) = delete;

  private:
    DWORD process_class_;
    int thread_priority_;
};

// A worker thread with its stop flag; the owner stops and joins it.
class Watcher {
  public:
    using Body = void (*)(Watcher& self);

    Watcher(Body body, card::CardDevice& card, HANDLE event)
        : body_(body),
          card_(card),
          event_(event),
          wake_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Watcher() { stop(); }
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

    bool start() {
        if (!wake_) return false;
        thread_.reset(::CreateThread(nullptr, 0, entry, this, 0, nullptr));
        return static_cast<bool>(thread_);
    }
    void stop() {
        if (!thread_) return;
        stop_requested_ = true;
        ::SetEvent(wake_.get());
        ::WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
    }
    bool stopping() const { return stop_requested_; }
    // Waits one polling interval; false once the watcher is to end.
    bool pause(DWORD ms) const {
        ::WaitForSingleObject(wake_.get(), ms);
        return !stop_requested_;
    }
    card::CardDevice& card() { return card_; }
    HANDLE event() const { return event_; }

  private:
    static DWORD WINAPI entry(LPVOID self) {
        auto* watcher = static_cast<Watcher*>(self);
        watcher->body_(*watcher);
        return 0;
    }

    Body body_;
    card::CardDevice& card_;
    HANDLE event_;
    std::atomic<bool> stop_requested_{false};
    UniqueHandle wake_;
    UniqueHandle thread_;
};

// Signals new data whenever the card's fill index has moved.
void watch_buffer(Watcher& self) {
    std::uint32_t last = 0;
    if (!self.card().read_fill_index(last)) {
        card::show_request_error(card::Request::ReadFillIndex);
        return;
    }
    while (self.pause(kBufferWatchMs)) {
        std::uint32_t index = 0;
        if (!self.card().read_fill_index(index)) {
            card::show_request_error(card::Request::ReadFillIndex);
            return;
        }
        if (index != last) {
            last = index;
            ::SetEvent(self.event());
        }
    }
}

// Signals the operator's Escape key.
void watch_escape(Watcher& self) {
    ::GetAsyncKeyState(VK_ESCAPE);  // forget a press from before the transfer
    ::ResetEvent(self.event());
    while (self.pause(kEscapeWatchMs))
        if (::GetAsyncKeyState(VK_ESCAPE) != 0) ::SetEvent(self.event());
}

class CardPort final : public transfer::TransferPort {
  public:
    CardPort(DriverState& state, HGLOBAL preview)
        : state_(state),
          preview_(preview),
          buffer_watcher_(watch_buffer, *state.card, state.event(kNewData)),
          escape_watcher_(watch_escape, *state.card, state.event(kEscape)) {}

    // Every way out of a started transfer, an exception included, leaves the card stopped.
    ~CardPort() override {
        try {
            stop();
        } catch (...) {
        }
    }
    CardPort(const CardPort&) = delete;
    CardPort& operator=(const CardPort&) = delete;

    // Starts the card and both watchers; on failure nothing is left running and the
    // card has been told to stop, even when it refused to start.
    bool start(std::uint32_t& fill_index) {
        card::CardDevice& card = *state_.card;
        reading_ = true;
        const char* failed = nullptr;
        if (!card.start_picture_read())
            failed = card::request_name(card::Request::StartPictureRead);
        else if (!card.read_fill_index(fill_index))
            failed = card::request_name(card::Request::ReadFillIndex);
        else if (!buffer_watcher_.start())
            failed = "Thread CheckDMABuff";
        else if (!escape_watcher_.start())
            failed = "Thread CheckUserEsc";
        if (!failed) return true;
        card::show_request_error(failed);
        stop();
        return false;
    }

    WaitOutcome wait(std::optional<std::uint32_t> timeout_ms) override {
        HANDLE events[kTransferEventCount];
        for (int i = 0; i < kTransferEventCount; ++i)
            events[i] = state_.event(static_cast<TransferEvent>(i));
        const DWORD woke = ::WaitForMultipleObjects(kTransferEventCount, events, FALSE,
                                                    timeout_ms ? *timeout_ms : INFINITE);
        switch (woke) {
            case WAIT_OBJECT_0 + kNewData:
                return WaitOutcome::new_data;
            case WAIT_OBJECT_0 + kEndOfTransfer:
                return WaitOutcome::end_of_transfer;
            case WAIT_OBJECT_0 + kEscape:
                return WaitOutcome::escape;
            case WAIT_OBJECT_0 + kExternalEnd:
                return WaitOutcome::external_end;
            case WAIT_TIMEOUT:
                return WaitOutcome::timeout;
            default:
                return WaitOutcome::failed;
        }
    }

    bool read_fill_index(std::uint32_t& index) override {
        if (state_.card->read_fill_index(index)) return true;
        card::show_request_error(card::Request::ReadFillIndex);
        return false;
    }

    bool stop() override {
        buffer_watcher_.stop();
        escape_watcher_.stop();
        if (!reading_) return true;
        reading_ = false;
        if (state_.card->stop_picture_read()) return true;
        card::show_request_error(card::Request::StopPictureRead);
        return false;
    }

    const std::uint16_t* picture() const override {
        return reinterpret_cast<const std::uint16_t*>(state_.picture);
    }

    void send_preview(const transfer::PreviewMessages& messages) override {
        const WPARAM bitmap = reinterpret_cast<WPARAM>(preview_);
        if (messages.announce_offset)
            ::SendMessageA(state_.host_window, kPreviewMessage, bitmap, offset_);
        if (messages.columns_drawn) {
            const HWND console = state_.console_window;
            const HWND target = console && ::IsWindow(console) ? console : state_.host_window;
            ::SendMessageA(target, kPreviewMessage, bitmap, *messages.columns_drawn);
        }
    }

    void trace(const char* text) override { ::OutputDebugStringA(text); }

    void set_offset(int offset) { offset_ = offset; }

  private:
    DriverState& state_;
    HGLOBAL preview_;
    Watcher buffer_watcher_;
    Watcher escape_watcher_;
    bool reading_ = false;
    int offset_ = 0;
};

image::TransferMode image_mode(std::uint32_t mode) {
    return mode == 2 ? image::TransferMode::bits12 : image::TransferMode::bits10;
}

bool card_ready(card::CardDevice& card) {
    std::uint8_t status = 0;
    if (!card.read_status(status)) {
        card::show_request_error(card::Request::ReadStatus);
        return false;
    }
    return card::ready_to_acquire(status);
}

// Clears the external end event's registration on every way out.
struct ExternalEndScope {
    explicit ExternalEndScope(HANDLE event) { set_external_end_event(event); }
    ~ExternalEndScope() { set_external_end_event(nullptr); }
};

int transfer_lines(DriverState& state, const TransferRequest& request,
                   const std::array<int, kMaxSections>& gaps,
                   std::optional<std::uint32_t> timeout_ms) {
    const int mode = static_cast<int>(state.card_settings.mode);
    transfer::CollectorSetup setup;
    setup.mode = mode;
    setup.rearrange = state.adaptation.entry().ReArrangement;
    setup.raw = state.raw_image.get();
    setup.windows = transfer::section_windows(state.record, gaps);
    setup.section_count = record::usable_section_count(state.record);
    setup.trace = [](const char* text) { ::OutputDebugStringA(text); };
    transfer::LineCollector collector(std::move(setup));

    GlobalLock<std::uint8_t> preview_bits(state.preview.get());
    const image::FlatFieldMask mask = flat_field_mask(state.mask);
    const image::DisplayTableParams table_params{state.record.program, state.image_type,
                                                 image_mode(state.card_settings.mode), false};
    std::optional<transfer::LivePreview> preview;
    if (state.live_preview && preview_bits && request.display_table) {
        preview.emplace(
            transfer::PreviewGeometry{state.preview_factor, request.preview_offset},
            preview_bits.get() + image::kPixelOffset,
            transfer::FlatField{
                transfer::sample_range(static_cast<transfer::TransferMode>(mode == 2 ? 2 : 1)),
                {state.mask.dark_offset[0], state.mask.dark_offset[1]},
                state.mask.gains.data()},
            request.display_table->data(),
            [&mask, table_params](const std::uint16_t* raw, int lines, std::uint8_t* table) {
                const image::DisplayTable computed =
                    image::compute_display_table(raw, lines, mask, table_params);
                std::copy(computed.begin(), computed.end(), table);
            });
    }

    CardPort port(state, state.preview.get());
    port.set_offset(request.preview_offset);
    const RaisedPriority priority;
    std::uint32_t fill_index = 0;
    if (!port.start(fill_index)) return transfer::kTransferFailed;
    collector.start(fill_index);
    const ExternalEndScope external_end(state.event(kExternalEnd));
    const int result =
        transfer::run_transfer_loop(port, collector, preview ? &*preview : nullptr, timeout_ms);
    if (result == transfer::kTransferComplete) {
        state.image_length = collector.image_lines();
        if (mode == 2) collector.rewrite_sections(state.record);
    }
    return result;
}

}  // namespace

image::FlatFieldMask flat_field_mask(const mask::Mask& mask) {
    image::FlatFieldMask result{};
    result.dark_offset[0] = mask.dark_offset[0];
    result.dark_offset[1] = mask.dark_offset[1];
    std::copy(mask.gains.begin(), mask.gains.end(), result.gain);
    return result;
}

int run_card_transfer(DriverState& state, const TransferRequest& request) {
    if (!state.raw_image || !state.card || !state.picture) return transfer::kTransferFailed;
    std::array<int, kMaxSections> gaps{};
    const int units = state.adaptation.entry().GetTiming(state.record.program, gaps.data());
    const std::optional<std::uint32_t> timeout_ms =
        transfer::event_timeout_ms(units, static_cast<int>(state.card_settings.mode));
    for (const auto& event : state.events)
        ::ResetEvent(event.get());

    int result = transfer::kCardNotReady;
    if (card_ready(*state.card)) result = transfer_lines(state, request, gaps, timeout_ms);
    transfer::write_raw_dump(transfer::kRawDumpAfterTransfer, state.raw_image.get(),
                             state.image_length);
    return result;
}

}  // namespace np::acquisition
