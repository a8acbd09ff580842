// The checks PANOOPEN makes on the card and its settings before it initialises the card.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace np::open_rules {

// PANOOPEN results.
inline constexpr int kOpened = 1;
inline constexpr int kNoCard = -1;
inline constexpr int kMaskMissing = -3;
inline constexpr int kOutOfResources = -4;
inline constexpr int kCardRequestFailed = -7;
inline constexpr int kBadCardSettings = -8;
inline constexpr int kUnsupportedFirmware = -9;
inline constexpr int kAdaptationMissing = -10;

// Values of "ModeOrvix" and of the transfer mode handed to the card.
inline constexpr std::uint32_t kModeAutomatic = 0;
inline constexpr std::uint32_t kModeTenBit = 1;
inline constexpr std::uint32_t kModeTwelveBit = 2;

using Firmware = std::array<char, 4>;

// A major version above 1 is a card this driver does not know.
bool firmware_supported(const Firmware& firmware);

enum class SettingsCheck {
    Accepted,
    OutOfRange,             // -8
    FirmwareTooOldFor12Bit  // -8 after the "Configuration Error" box
};
SettingsCheck check_card_settings(std::uint32_t baud_rate_pano, std::uint32_t baud_rate_orvix,
                                  std::uint32_t mode, const Firmware& firmware);

inline constexpr const char* kConfigurationErrorTitle = "Configuration Error";
inline constexpr const char* kConfigurationErrorText =
    "Your ORVIX interface card need to be upgraded to support the 12 bits transfert mode of the "
    "ORVIX Cassette.";

// The comparable key of a cassette serial number: characters 0 and 1 in upper case,
// then the decimal number from character 4 on as at least five digits.
std::string cassette_key(std::string_view serial);

// Mode 1 when the mask's cassette comes before the first 12-bit cassette, else 2.
// `mask_header` is the 20-byte header of the mask, cut after 19 characters.
std::uint32_t automatic_mode(std::string_view first_12_bit_serial,
                             const std::array<char, 20>& mask_header);

}  // namespace np::open_rules
