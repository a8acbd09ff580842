// The unit's indicators (status word 2), shown one at a time in turn when the
// unit is idle: a scan starts at a remembered index and stops at the first
// indicator that is active.
#pragma once

#include <cstdint>
#include <optional>

namespace np::ventra {

inline constexpr int kIndicatorCount = 8;
inline constexpr std::uint16_t kReadyText = 50;

struct Indicator {
    std::uint16_t text;       // state text shown on the console and the unit
    int information_code;     // shown as "I%.2d"
    std::uint16_t prompt;     // voice prompt
};

// The indicator checked at this index, when its bits are set.
std::optional<Indicator> indicator_at(int index, std::uint16_t bits);

struct IndicatorScan {
    std::optional<Indicator> shown;  // none: the unit is ready
    int next_index;                  // where the next scan starts
};

IndicatorScan scan_indicators(std::uint16_t bits, int start_index);

}  // namespace np::ventra
