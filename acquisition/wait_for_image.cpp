#include "acquisition/wait_for_image.h"

#include <algorithm>
#include <new>

#include "acquisition/acquisition_preparation.h"
#include "acquisition/card/request_error_box.h"
#include "acquisition/card_transfer.h"
#include "acquisition/cursor_scope.h"
#include "acquisition/driver_settings.h"
#include "acquisition/image/image_delivery.h"
#include "acquisition/logo_choice.h"
#include "acquisition/preview/preview_bitmap.h"
#include "acquisition/record/record_rules.h"
#include "acquisition/transfer/raw_image_files.h"
#include "acquisition/transfer/result_codes.h"
#include "acquisition/transfer/transfer_loop.h"
#include "common/settings_key.h"
#include "common/text_numbers.h"

namespace np::acquisition {
namespace {

constexpr int kWarningBeeps = 3;

// The display table of the last image, the first table of the next live preview.
image::DisplayTable& display_table() {
    static image::DisplayTable table = image::plain_scale_table(1024);
    return table;
}

std::uint32_t read_post_process() {
    const SettingsKey key(kSettingsPath);
    return hex_bit_set(key.text("PostProcess", 32, ""));
}

bool allocate_raw_image(DriverState& state) {
    state.raw_image.reset();
    state.raw_image.reset(new (std::nothrow) std::uint16_t[kRawImageSamples]);
    if (!state.raw_image) return false;
    std::fill_n(state.raw_image.get(), kRawImageSamples, std::uint16_t{0});
    return true;
}

bool card_ready(DriverState& state) {
    if (!state.card) return false;
    std::uint8_t status = 0;
    if (!state.card->read_status(status)) {
        card::show_request_error(card::Request::ReadStatus);
        return false;
    }
    return card::ready_to_acquire(status);
}

class Acquisition {
  public:
    explicit Acquisition(DriverState& state) : state_(state) {}

    int run() {
        // A driver that failed to open has no picture buffer to read the lines from.
        if (!state_.open) return fail(transfer::kCardNotReadyCode);
        work_bitmap_ = image::allocate_bitmap(record::kMaxImageColumns, image::kImageHeight);
        if (!work_bitmap_) return fail(transfer::kNoMemory);
        read_acquisition_settings(state_);
        if (!allocate_raw_image(state_)) return 0;  // no message: nothing to report with
        if (!card_ready(state_)) return fail(transfer::kCardNotReadyCode);
        if (auto code = transfer::comm_port_code(state_.adaptation.entry().OpenCommPort()))
            return fail(*code);

        state_.record = {};
        state_.preview.reset();
        state_.preview = preview::allocate_preview_bitmap(state_.preview_factor);
        if (!state_.preview) return fail(transfer::kNoMemory);

        const Preparation preparation = prepare_acquisition(state_);
        cursor_.show_transfer_cursor();
        if (auto code = transfer::preparation_code(preparation.result)) return fail(*code);
        state_.image_length = preparation.planned_length;

        const int result = run_card_transfer(
            state_, {preparation.planned_length, preparation.preview_offset, &display_table()});
        if (auto code = transfer::transfer_code(result, state_.image_length)) {
            state_.record = {};
            return fail(*code);
        }
        return deliver();
    }

    // The no-image message; code 5 always comes with the operator's warning beeps.
    int fail(int code) {
        if (transfer::warns_operator(code))
            for (int i = 0; i < kWarningBeeps; ++i)
                ::MessageBeep(MB_ICONEXCLAMATION);
        cursor_.restore();
        work_bitmap_.reset();
        ::SendMessageA(state_.host_window, image::kImageMessage, 0, code);
        return 0;
    }

    // Whatever was thrown, the transfer's owners have stopped the card on the way here.
    int fail_after_exception(int code) {
        state_.record = {};
        return fail(code);
    }

  private:
    int deliver() {
        const bool mirrored = state_.adaptation.mirrored();
        if (mirrored) {
            transfer::mirror_raw_lines(state_.raw_image.get(), state_.image_length);
            record::mirror_sections(state_.record);
        }
        transfer::write_raw_dump(transfer::kRawDumpAfterMirroring, state_.raw_image.get(),
                                 state_.image_length);
        work_bitmap_.reset();
        UniqueGlobal bitmap = image::allocate_final_bitmap(state_.image_length);
        if (!bitmap) return fail(transfer::kNoMemory);
        transfer::write_raw_dump(transfer::kRawDumpWithBitmap, state_.raw_image.get(),
                                 state_.image_length);

        cursor_.show_hourglass();
        image::ImageSettings settings;
        settings.post_process = read_post_process();
        settings.image_type = state_.image_type;
        settings.lines_out_of_histogram = state_.histogram_excluded_lines;
        settings.mode = state_.card_settings.mode == 2 ? image::TransferMode::bits12
                                                       : image::TransferMode::bits10;
        settings.mirrored = mirrored;
        const adaptation::EntryPoints& entry = state_.adaptation.entry();
        image::deliver_image(std::move(bitmap), {state_.raw_image.get(), state_.image_length},
                             state_.record, flat_field_mask(state_.mask), settings,
                             {entry.bPostProcess, entry.TraitementATM4Images},
                             {module_instance(), logo_bitmap_id(state_.host_code)},
                             {state_.host_window, state_.console_window}, display_table());
        cursor_.restore();
        return 1;
    }

    DriverState& state_;
    CursorScope cursor_;
    UniqueGlobal work_bitmap_;
};

}  // namespace

int wait_for_image(DriverState& state) {
    Acquisition acquisition(state);
    try {
        return acquisition.run();
    } catch (const std::bad_alloc&) {
        return acquisition.fail_after_exception(transfer::kNoMemory);
    } catch (...) {
        return acquisition.fail_after_exception(transfer::kTransferFailedCode);
    }
}

}  // namespace np::acquisition
