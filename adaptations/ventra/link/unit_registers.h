// The NorvanePan unit's register map as the console uses it: word addresses on
// slave 1, block sizes and the command words written to the command register.
#pragma once

#include <cstdint>

namespace np::ventra {

inline constexpr int kSlave = 1;

namespace address {
inline constexpr std::uint16_t identification = 0x7000;   // 15 words
inline constexpr std::uint16_t status = 0x700F;           // 15 words
inline constexpr std::uint16_t programs = 0x7012;         // P0..P6
inline constexpr std::uint16_t heating_measure = 0x7015;  // 4 words
inline constexpr std::uint16_t parameters = 0x7019;       // Q0..Q4
inline constexpr std::uint16_t calibration_measure = 0x701E;
inline constexpr std::uint16_t cooling = 0x7026;
inline constexpr std::uint16_t orientation = 0x7028;      // 4 words
inline constexpr std::uint16_t counters = 0x702C;         // 9 words
inline constexpr std::uint16_t command = 0x7040;
inline constexpr std::uint16_t manufacturing = 0x7041;
inline constexpr std::uint16_t calibration = 0x7051;      // 40 words
inline constexpr std::uint16_t arm_calibration = 0x7053;
inline constexpr std::uint16_t heating_table = 0x7068;
inline constexpr std::uint16_t preferences = 0x7079;
inline constexpr std::uint16_t state_text = 0x708D;       // 20 words, translated
inline constexpr std::uint16_t code_text = 0x70A1;        // 2 words
inline constexpr std::uint16_t diagnostic = 0x6809;       // 5 words
inline constexpr std::uint16_t startup_text = 0x6818;     // 20 words, untranslated
}  // namespace address

namespace words {
inline constexpr int identification = 15;
inline constexpr int status = 15;
inline constexpr int programs = 7;
inline constexpr int parameters = 5;
inline constexpr int orientation = 4;
inline constexpr int counters = 9;
inline constexpr int diagnostic = 5;
inline constexpr int manufacturing = 11;
inline constexpr int manufacturing_saved = 16;
inline constexpr int calibration = 40;
inline constexpr int preferences_used = 14;
inline constexpr int preferences_saved = 20;
inline constexpr int display_text = 20;
inline constexpr int code_text = 2;
}  // namespace words

// Command words: the low byte is the command, the high byte its parameter.
namespace command {
inline constexpr std::uint16_t console_active = 0x0085;
inline constexpr std::uint16_t console_inactive = 0x0086;
inline constexpr std::uint16_t acknowledge = 0x0080;
inline constexpr std::uint16_t acknowledge_maintenance = 0x000B;
inline constexpr std::uint16_t store_all = 0x0081;
inline constexpr std::uint16_t reset_all = 0x0082;
inline constexpr std::uint16_t reset_set_values = 0x0382;
inline constexpr std::uint8_t reset_code = 0x82;  // rewrites the restore file afterwards
inline constexpr std::uint16_t four_view_tmj = 0x1104;
}  // namespace command

inline constexpr bool is_reset_command(std::uint16_t word) {
    return (word & 0xFF) == command::reset_code;
}

}  // namespace np::ventra
