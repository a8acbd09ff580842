#include "acquisition/open_rules.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "common/text_numbers.h"

namespace np::open_rules {
namespace {

char upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

// Characters past the end of the text read as NUL, as in a zero-padded buffer.
char at(std::string_view text, std::size_t index) {
    return index < text.size() ? text[index] : '\0';
}

std::string_view up_to_nul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

}  // namespace

bool firmware_supported(const Firmware& firmware) {
    return firmware[0] <= '1';
}

SettingsCheck check_card_settings(std::uint32_t baud_rate_pano, std::uint32_t baud_rate_orvix,
                                  std::uint32_t mode, const Firmware& firmware) {
    if (baud_rate_pano > 5 || (baud_rate_orvix != 1 && baud_rate_orvix != 2))
        return SettingsCheck::OutOfRange;
    if (mode == kModeTenBit) return SettingsCheck::Accepted;
    if (mode == kModeTwelveBit) {
        return std::memcmp(firmware.data(), "1.00", 4) > 0 ? SettingsCheck::Accepted
                                                           : SettingsCheck::FirmwareTooOldFor12Bit;
    }
    return SettingsCheck::OutOfRange;
}

std::string cassette_key(std::string_view serial) {
    serial = up_to_nul(serial);
    const std::string_view digits = serial.size() > 4 ? serial.substr(4) : std::string_view();
    char number[16];
    std::snprintf(number, sizeof number, "%05d", decimal_value(digits));
    std::string key{upper(at(serial, 0)), upper(at(serial, 1))};
    key += number;
    return key;
}

std::uint32_t automatic_mode(std::string_view first_12_bit_serial,
                             const std::array<char, 20>& mask_header) {
    const std::string_view header(mask_header.data(), 19);
    return cassette_key(header) < cassette_key(first_12_bit_serial) ? kModeTenBit : kModeTwelveBit;
}

}  // namespace np::open_rules
