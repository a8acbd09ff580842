// The unit's 15-word status block, decoded.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace np::ventra {

enum MachineState : int { kIdle = 0, kRotation = 1, kExposure = 2, kNoAction = 3 };

inline constexpr std::uint16_t kLastErrorCode = 60;  // codes above are not the console's

struct StatusBlock {
    bool laser = false;
    bool emission = false;
    bool state_not_evaluated = false;  // the machine state is to be ignored
    int machine_state = kIdle;         // bits 2..5 of byte 0
    bool any_state_bit = false;
    bool ready = false;
    bool maintenance_access = false;
    bool indicator_prompts = false;    // byte 1 bit 1: indicators may be spoken
    std::uint16_t error_code = 0;      // 0, or 1..60: codes above 60 read as 0
    std::uint16_t indicators = 0;
    std::array<std::uint16_t, 7> programs{};    // P0..P6
    std::array<std::uint16_t, 5> parameters{};  // Q0..Q4

    int program_family() const { return programs[3] & 0x0F; }
    int program_variant() const { return (programs[3] >> 4) & 0x0F; }
};

StatusBlock decode_status(std::span<const std::uint16_t, 15> words);

// The mirror flag from the orientation block: a first word of 0 means mirrored.
inline bool mirror_from_orientation(std::uint16_t first_word) {
    return first_word == 0;
}

}  // namespace np::ventra
