// PANOWAITFORIMAGE of the demonstration driver: the operator's part played through the
// console (when the module has one), a simulated transfer that only paces the preview
// messages, and the file's image delivered with its grey levels unchanged.
#include <new>

#include "acquisition/acquisition_preparation.h"
#include "acquisition/card_transfer.h"
#include "acquisition/cursor_scope.h"
#include "acquisition/demo/demo_image.h"
#include "acquisition/demo/demo_rules.h"
#include "acquisition/driver_settings.h"
#include "acquisition/image/bitmap_layout.h"
#include "acquisition/image/image_delivery.h"
#include "acquisition/transfer/result_codes.h"
#include "acquisition/wait_for_image.h"

namespace np::acquisition {
namespace {

constexpr const char* kPaceEventName = "attente";

class DemoAcquisition {
  public:
    explicit DemoAcquisition(DriverState& state) : state_(state) {}

    int run() {
        work_bitmap_ = image::allocate_bitmap(record::kMaxImageColumns, image::kImageHeight);
        if (!work_bitmap_) return fail(transfer::kNoMemory);
        if (!reload_image()) return 0;  // no message: nothing to report with
        // The reader has told the operator why; the host must not get an empty image.
        if (!demo_image::load(state_)) {
            state_.record = {};
            return fail(transfer::kTransferFailedCode);
        }
        demo_image::draw_preview(state_);

        const int prepared = prepare();
        cursor_.show_transfer_cursor();
        if (auto code = transfer::preparation_code(prepared)) return fail(*code);
        simulate_transfer();
        return deliver();
    }

  private:
    bool reload_image() {
        auto& image = demo_image::buffer();
        image.reset();
        read_acquisition_settings(state_);
        image.reset(new (std::nothrow) std::uint8_t[demo::kImageBufferSize]());
        return static_cast<bool>(image);
    }

    int prepare() {
        const adaptation::EntryPoints& entry = state_.adaptation.entry();
        const bool console = entry.StartDesignDialog != nullptr;
        state_.record = {};
        if (console) {
            if (entry.OpenCommPort) entry.OpenCommPort();
            if (!wait_for_console_start(state_)) return kPreparationCancelled;
            if (entry.GetInfosTir) entry.GetInfosTir(&state_.record);
            state_.preview_factor = demo::kPreviewFactor;
        }
        demo::fill_demo_record(state_.record, console, state_.image_length);
        return kPrepared;
    }

    HWND preview_recipient() const {
        const HWND console = state_.console_window;
        return console && ::IsWindow(console) ? console : state_.host_window;
    }

    void simulate_transfer() const {
        const UniqueHandle pace(::CreateEventA(nullptr, FALSE, FALSE, kPaceEventName));
        auto pause = [&pace](DWORD ms) {
            if (pace)
                ::WaitForSingleObject(pace.get(), ms);
            else
                ::Sleep(ms);
        };
        const HWND recipient = preview_recipient();
        const auto preview = reinterpret_cast<WPARAM>(state_.preview.get());
        const demo::SimulatedTransfer transfer(state_.image_length,
                                               demo::preview_offset(state_.image_length));
        pause(demo::SimulatedTransfer::kFirstPauseMs);
        if (transfer.announces_offset())
            ::SendMessageA(recipient, kPreviewMessage, preview, transfer.announcement());
        for (int i = 0; i < transfer.steps(); ++i) {
            pause(demo::SimulatedTransfer::kStepPauseMs);
            ::SendMessageA(recipient, kPreviewMessage, preview, transfer.step_columns(i));
        }
    }

    int deliver() {
        work_bitmap_.reset();
        const int length = state_.image_length;
        UniqueGlobal bitmap = image::allocate_final_bitmap(length);
        if (!bitmap) return fail(transfer::kNoMemory);
        {
            GlobalLock<std::uint8_t> block(bitmap.get());
            if (!block) return fail(transfer::kNoMemory);
            demo::copy_image_rows(demo_image::buffer().get(), length,
                                  {block.get() + image::kPixelOffset, length, image::kImageHeight,
                                   image::row_stride(length)});
        }
        // The receivers own the bitmap from here on.
        image::send_image({state_.host_window, state_.console_window}, bitmap.release());
        cursor_.restore();
        return 1;
    }

    int fail(int code) {
        cursor_.restore();
        work_bitmap_.reset();
        ::SendMessageA(state_.host_window, image::kImageMessage, 0, code);
        return 0;
    }

    DriverState& state_;
    CursorScope cursor_;
    UniqueGlobal work_bitmap_;
};

}  // namespace

int wait_for_image(DriverState& state) {
    // Before any opening, or after one that failed, there is neither preview nor image
    // buffer to work with: the host hears what a driver without its card tells it, and
    // nothing is started.
    if (!demo_image::driver_open(state)) {
        ::SendMessageA(state.host_window, image::kImageMessage, 0, transfer::kCardNotReadyCode);
        return 0;
    }
    return DemoAcquisition(state).run();
}

}  // namespace np::acquisition
