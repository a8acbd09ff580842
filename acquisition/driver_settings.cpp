#include "acquisition/driver_settings.h"

#include "common/settings_key.h"

namespace np::acquisition {
namespace {

// Only "2" turns the live preview off.
constexpr int kPreviewOff = 2;

}  // namespace

std::optional<CardSettings> read_card_settings() {
    const SettingsKey key(kSettingsPath);
    const auto baud_rate_pano = key.dword("BaudRatePano");
    const auto timeout_pano = key.dword("TimeoutPano");
    const auto baud_rate_orvix = key.dword("BaudRateOrvix");
    const auto mode = key.dword("ModeOrvix");
    if (!baud_rate_pano || !timeout_pano || !baud_rate_orvix || !mode) return std::nullopt;
    return CardSettings{*baud_rate_pano, *timeout_pano, *baud_rate_orvix, *mode};
}

std::optional<std::string> read_first_12_bit_serial() {
    return SettingsKey(kSettingsPath).text("SerialNbK7_12b", 20);
}

void read_preview_and_image_type(DriverState& state) {
    const SettingsKey key(kSettingsPath);
    if (!key.is_open()) {
        state.live_preview = false;
        return;
    }
    state.live_preview = key.number("WithPreview", 64, "1") != kPreviewOff;
    state.image_type = key.number("TypePano", 64, "1");
}

void read_acquisition_settings(DriverState& state) {
    const SettingsKey key(kSettingsPath);
    if (!key.is_open()) return;
    state.image_type = key.number("TypePano", 64, "1");
    state.histogram_excluded_lines = key.number("LigneHorsHisto", 64, "0");
}

}  // namespace np::acquisition
