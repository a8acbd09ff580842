#include "adaptations/ventra/link/startup_rules.h"

#include <cstdio>
#include <cstdlib>

namespace np::ventra {
namespace {

constexpr std::uint16_t kNoCoolingTime = 0xFFFF;
constexpr std::size_t kMarkerField = 5;

}  // namespace

bool supported_system(unsigned major, unsigned minor, std::string_view service_pack) {
    if (major == 4 && minor == 10) return service_pack.size() >= 2 && service_pack[1] == 'A';
    return (major == 4 && minor == 90) || (major == 5 && (minor == 0 || minor == 1));
}

double firmware_version(std::span<const std::uint16_t, 15> identification) {
    // Bytes 12..29 of the block; the text ends at its first NUL or the block's end.
    char text[19] = {};
    for (std::size_t i = 0; i < 18; ++i) {
        const std::uint16_t word = identification[6 + i / 2];
        text[i] = static_cast<char>(i % 2 == 0 ? word & 0xFF : word >> 8);
    }
    return std::strtod(text, nullptr);
}

std::string cooling_text(std::uint16_t seconds, std::string_view shown) {
    if (seconds != kNoCoolingTime) {
        char text[16];
        std::snprintf(text, sizeof text, "%.2d:%.2d", seconds / 60, seconds % 60);
        return text;
    }
    const std::size_t marker = shown.size() == kMarkerField ? shown.find('>') : std::string_view::npos;
    const std::size_t next = marker == std::string_view::npos ? 0 : (marker + 1) % kMarkerField;
    std::string field(kMarkerField, ' ');
    field[next] = '>';
    return field;
}

}  // namespace np::ventra
