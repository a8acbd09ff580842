// Opening and closing the demonstration driver: no card, no mask, no transfer events;
// the image comes from the demonstration file and the adaptation module is optional.
#include <new>

#include "acquisition/demo/demo_image.h"
#include "acquisition/demo/demo_rules.h"
#include "acquisition/driver_lifecycle.h"
#include "acquisition/open_rules.h"
#include "acquisition/preview/preview_bitmap.h"

namespace np::acquisition {
namespace {

// PANOOPEN's result when the demonstration file cannot be read.
constexpr int kNoDemoImage = 0;

void reset_for_new_host(DriverState& state, HWND host_window, short host_code) {
    state.host_window = host_window;
    state.host_code = host_code;
    state.preview_factor = demo::kPreviewFactor;
    state.image_length = record::kInitialImageLength;
    state.record = {};
    state.console_window = nullptr;
}

}  // namespace

int open_driver(DriverState& state, HWND host_window, short host_code) {
    // A host that opens twice must not leak what the first opening holds.
    close_driver(state);
    state.adaptation.bind_available();
    reset_for_new_host(state, host_window, host_code);

    auto& image = demo_image::buffer();
    image.reset(new (std::nothrow) std::uint8_t[demo::kImageBufferSize]());
    if (!image) return open_rules::kOutOfResources;
    state.preview = preview::allocate_preview_bitmap(demo::kPreviewFactor);
    if (!state.preview) {
        image.reset();
        return open_rules::kOutOfResources;
    }
    if (!demo_image::load(state)) {
        image.reset();
        state.preview.reset();
        return kNoDemoImage;
    }
    demo_image::draw_preview(state);
    return open_rules::kOpened;
}

void close_driver(DriverState& state) {
    demo_image::buffer().reset();
    state.preview.reset();
    state.adaptation.release();
    state.console_window = nullptr;
}

}  // namespace np::acquisition
