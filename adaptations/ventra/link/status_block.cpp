#include "adaptations/ventra/link/status_block.h"

#include <algorithm>

namespace np::ventra {

StatusBlock decode_status(std::span<const std::uint16_t, 15> words) {
    const std::uint8_t byte0 = words[0] & 0xFF;
    const std::uint8_t byte1 = words[0] >> 8;
    StatusBlock s;
    s.laser = byte0 & 0x80;
    s.emission = byte0 & 0x40;
    s.state_not_evaluated = byte0 & 0x20;
    s.machine_state = (byte0 >> 2) & 0x0F;
    s.any_state_bit = s.machine_state != 0;
    s.ready = byte1 & 0x01;
    s.indicator_prompts = byte1 & 0x02;
    s.maintenance_access = ((words[0] >> 10) & 0x03) == 2;
    s.error_code = words[1] <= kLastErrorCode ? words[1] : 0;
    s.indicators = words[2];
    std::copy_n(words.begin() + 3, 7, s.programs.begin());
    std::copy_n(words.begin() + 10, 5, s.parameters.begin());
    return s;
}

}  // namespace np::ventra
