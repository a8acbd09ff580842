// The driver's registry settings below "NORVANE\PANO".
#pragma once

#include <optional>
#include <string>

#include "acquisition/driver_state.h"

namespace np::acquisition {

inline constexpr const char* kSettingsPath = "NORVANE\\PANO";

// The four REG_DWORD card settings as stored ("ModeOrvix" may be 0); nullopt when one
// is missing.
std::optional<CardSettings> read_card_settings();

// "SerialNbK7_12b": the first cassette that transfers 12-bit samples.
std::optional<std::string> read_first_12_bit_serial();

// "WithPreview" and "TypePano", as PANOOPEN reads them.
void read_preview_and_image_type(DriverState& state);

// "TypePano" and "LigneHorsHisto", as each acquisition reads them; an unopenable key
// keeps the values already known.
void read_acquisition_settings(DriverState& state);

}  // namespace np::acquisition
