// The rules of the link's start-up check and of the cooling display.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace np::ventra {

inline constexpr std::uint16_t kInterfaceInactiveText = 51;
inline constexpr std::uint16_t kWrongFirmwareText = 532;
inline constexpr const char* kBadOsMessage = "Bad OS version";

// Windows 98 SE (4.10 with service letter "A"), Me, 2000 and XP.
bool supported_system(unsigned major, unsigned minor, std::string_view service_pack);

// The firmware version: the decimal text from byte 12 of the identification block.
double firmware_version(std::span<const std::uint16_t, 15> identification);
inline bool firmware_accepted(double version) { return version >= 1.0; }
inline bool new_firmware(double version) { return version >= 1.02; }

// "mm:ss" for a cooling time; 0xFFFF (none given) moves a marker through five
// places, one a second, starting from the first when a time was shown before.
std::string cooling_text(std::uint16_t seconds, std::string_view shown);

}  // namespace np::ventra
