// Numbers stored as text in the settings.
#pragma once

#include <cstdint>
#include <string_view>

namespace np {

// The standard decimal conversion: leading blanks and one sign are accepted, the
// conversion stops at the first non-digit, no digits at all gives 0. Values beyond
// the range of int saturate instead of overflowing.
int decimal_value(std::string_view text);

// A hexadecimal bit set such as the "PostProcess" setting: read from the last
// character backwards, every character that is not a hexadecimal digit is skipped,
// so "1xA" is 0x1A. Empty text (or no digit at all) gives 0. Digits beyond the
// eighth from the right no longer fit in 32 bits and are dropped.
std::uint32_t hex_bit_set(std::string_view text);

}  // namespace np
