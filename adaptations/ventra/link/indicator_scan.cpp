#include "adaptations/ventra/link/indicator_scan.h"

namespace np::ventra {
namespace {

int field(std::uint16_t bits, int shift, std::uint16_t mask) {
    return (bits >> shift) & mask;
}

// One indicator per index; the value of its bit field picks the text.
struct IndicatorField {
    int shift;
    std::uint16_t mask;
    Indicator by_value[3];  // values 1, 2, 3; text 0 where the value means nothing
};

constexpr IndicatorField kIndicators[kIndicatorCount] = {
    {8, 0x3, {{61, 10, 24035}, {62, 11, 24049}, {0, 0, 0}}},   // collimator
    {2, 0x1, {{57, 3, 24066}, {0, 0, 0}, {0, 0, 0}}},          // handswitch held
    {10, 0x3, {{63, 12, 24046}, {0, 0, 0}, {0, 0, 0}}},        // ceph sensor
    {5, 0x7, {{58, 7, 24067}, {59, 8, 24034}, {60, 9, 24047}}},  // sensor, cassette
    {14, 0x1, {{51, 15, 24043}, {0, 0, 0}, {0, 0, 0}}},        // interface inactive
    {3, 0x3, {{56, 4, 24030}, {55, 5, 24037}, {67, 6, 24085}}},  // rotation, arm
    {12, 0x3, {{64, 13, 24068}, {65, 14, 24069}, {0, 0, 0}}},  // mains
    {0, 0x3, {{54, 1, 24062}, {66, 2, 24062}, {0, 0, 0}}},     // tube temperature
};

}  // namespace

std::optional<Indicator> indicator_at(int index, std::uint16_t bits) {
    if (index < 0 || index >= kIndicatorCount) return std::nullopt;
    const IndicatorField& f = kIndicators[index];
    const int value = field(bits, f.shift, f.mask);
    if (value < 1 || value > 3 || f.by_value[value - 1].text == 0) return std::nullopt;
    return f.by_value[value - 1];
}

IndicatorScan scan_indicators(std::uint16_t bits, int start_index) {
    const int start = (start_index % kIndicatorCount + kIndicatorCount) % kIndicatorCount;
    int index = start;
    do {
        const auto hit = indicator_at(index, bits);
        index = (index + 1) % kIndicatorCount;
        if (hit) return {hit, index};
    } while (index != start);
    return {std::nullopt, start};
}

}  // namespace np::ventra
