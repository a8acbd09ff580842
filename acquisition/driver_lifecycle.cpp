#include "acquisition/driver_lifecycle.h"

#include <new>

#include "acquisition/card/request_error_box.h"
#include "acquisition/driver_settings.h"
#include "acquisition/mask/mask_file_win32.h"
#include "acquisition/open_rules.h"
#include "acquisition/preview/preview_bitmap.h"

namespace np::acquisition {
namespace {

using namespace open_rules;

void reset_for_new_host(DriverState& state, HWND host_window, short host_code) {
    state.host_window = host_window;
    state.host_code = host_code;
    state.record = {};
    state.preview_factor = record::kPreviewFactor;
    state.image_length = record::kInitialImageLength;
}

// The card settings with an automatic mode resolved; nullopt means -8.
std::optional<CardSettings> card_settings_for(const mask::Mask& mask) {
    auto settings = read_card_settings();
    if (!settings || settings->mode != kModeAutomatic) return settings;
    const auto first_12_bit = read_first_12_bit_serial();
    if (!first_12_bit) return std::nullopt;
    settings->mode = automatic_mode(*first_12_bit, mask.header);
    return settings;
}

bool create_transfer_events(DriverState& state) {
    for (auto& event : state.events) {
        event.reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
        if (!event) return false;
    }
    return true;
}

void show_configuration_error() {
    ::MessageBoxA(nullptr, kConfigurationErrorText, kConfigurationErrorTitle, MB_OK | MB_ICONSTOP);
}

int initialise_card(DriverState& state) {
    card::CardDevice& device = *state.card;
    card::FirmwareVersion firmware{};
    if (!device.read_firmware_version(firmware)) {
        card::show_request_error(card::Request::ReadFirmwareVersion);
        return kCardRequestFailed;
    }
    if (!firmware_supported(firmware)) return kUnsupportedFirmware;

    const CardSettings& s = state.card_settings;
    switch (check_card_settings(s.baud_rate_pano, s.baud_rate_orvix, s.mode, firmware)) {
        case SettingsCheck::Accepted:
            break;
        case SettingsCheck::FirmwareTooOldFor12Bit:
            show_configuration_error();
            return kBadCardSettings;
        case SettingsCheck::OutOfRange:
            return kBadCardSettings;
    }

    const card::TransferInfo info{card::handle_value(state.event(kEndOfTransfer)), s.baud_rate_pano,
                                  s.timeout_pano, s.baud_rate_orvix, s.mode};
    if (!device.exchange_transfer_info(info)) {
        card::show_request_error(card::Request::ExchangeTransferInfo);
        return kCardRequestFailed;
    }
    if (!device.map_picture_buffer(state.picture)) {
        card::show_request_error(card::Request::MapPictureBuffer);
        return kCardRequestFailed;
    }
    return kOpened;
}

int open_card(DriverState& state) {
    state.card = card::open_card_device();
    if (!state.card) return kNoCard;
    const auto settings = card_settings_for(state.mask);
    if (!settings) return kBadCardSettings;
    state.card_settings = *settings;
    if (!create_transfer_events(state)) return kOutOfResources;
    return initialise_card(state);
}

bool allocate_buffers(DriverState& state) {
    state.raw_image.reset(new (std::nothrow) std::uint16_t[kRawImageSamples]);
    state.preview = preview::allocate_preview_bitmap(state.preview_factor);
    if (state.raw_image && state.preview) return true;
    state.raw_image.reset();
    state.preview.reset();
    return false;
}

void close_card(DriverState& state) {
    if (!state.card) return;
    if (!state.card->unmap_picture_buffer())
        card::show_request_error(card::Request::UnmapPictureBuffer);
    state.picture = nullptr;
    state.card.reset();
}

}  // namespace

int open_driver(DriverState& state, HWND host_window, short host_code) {
    // A host that opens twice must not leak what the first opening holds.
    close_driver(state);

    if (!state.adaptation.bind()) return kAdaptationMissing;
    reset_for_new_host(state, host_window, host_code);

    const auto mask = mask::read_system_mask();
    if (!mask) return kMaskMissing;
    state.mask = *mask;

    if (const int result = open_card(state); result != kOpened) return result;

    read_preview_and_image_type(state);
    if (!allocate_buffers(state)) return kOutOfResources;
    state.open = true;
    return kOpened;
}

void close_driver(DriverState& state) {
    state.open = false;
    close_card(state);
    for (auto& event : state.events)
        event.reset();
    state.raw_image.reset();
    state.preview.reset();
    state.adaptation.release();
    state.console_window = nullptr;
}

}  // namespace np::acquisition
