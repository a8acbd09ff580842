// The state of the loaded driver, one instance per process, shared by the exports:
// what PANOOPEN acquires and PANOCLOSE releases, and what each acquisition works on.
// Everything runs on the host's thread; nothing here is locked.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>

#include "acquisition/adaptation/adaptation_module.h"
#include "acquisition/card/card_device.h"
#include "acquisition/mask/mask_file.h"
#include "acquisition/record/record_rules.h"
#include "common/acquisition_record.h"
#include "common/sensor_lines.h"
#include "common/win32_handles.h"

namespace np::acquisition {

// The transfer events, in the order they are waited on.
enum TransferEvent : int { kNewData = 0, kEndOfTransfer = 1, kEscape = 2, kExternalEnd = 3 };
inline constexpr int kTransferEventCount = 4;

// The raw image buffer: 4000 lines of 1244 samples.
inline constexpr std::size_t kRawImageSamples =
    std::size_t{record::kMaxImageColumns} * kSamplesPerLine;
static_assert(kRawImageSamples * sizeof(std::uint16_t) == 9'952'000);

// The card settings as read from the registry; `mode` is already resolved to 1 or 2
// when "ModeOrvix" asked for the automatic choice.
struct CardSettings {
    std::uint32_t baud_rate_pano = 0;
    std::uint32_t timeout_pano = 0;
    std::uint32_t baud_rate_orvix = 0;
    std::uint32_t mode = 0;
};

inline constexpr int kInitialHistogramExcludedLines = 20;

struct DriverState {
    // Set only by a PANOOPEN that got through every step and cleared by PANOCLOSE: a
    // failed opening may leave the card device open without its picture buffer.
    bool open = false;
    HWND host_window = nullptr;
    short host_code = 0;
    adaptation::AdaptationModule adaptation;

    std::unique_ptr<card::CardDevice> card;  // null while no device is open
    const std::uint8_t* picture = nullptr;   // the card's mapped picture buffer
    std::array<UniqueHandle, kTransferEventCount> events;
    CardSettings card_settings;
    mask::Mask mask;

    AcquisitionRecord record{};
    int image_type = 1;                                             // "TypePano"
    bool live_preview = true;                                       // "WithPreview"
    int histogram_excluded_lines = kInitialHistogramExcludedLines;  // "LigneHorsHisto"

    std::unique_ptr<std::uint16_t[]> raw_image;  // kRawImageSamples, owned by the driver
    UniqueGlobal preview;                        // 8-bit preview bitmap
    int image_length = record::kInitialImageLength;
    int preview_factor = record::kPreviewFactor;
    HWND console_window = nullptr;  // stored by the adaptation's StartDesignDialog

    HANDLE event(TransferEvent which) const { return events[which].get(); }
};

DriverState& driver_state();

// The driver module's own instance (for its cursor and bitmaps), recorded at attach.
HINSTANCE module_instance();
void set_module_instance(HINSTANCE instance);

}  // namespace np::acquisition
