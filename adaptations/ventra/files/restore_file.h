// The restore file "c:\restoreNorvanePan.dat": the unit's parameter blocks as read,
// 182 bytes, words little-endian, no header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace np::ventra {

inline constexpr const char* kRestoreFilePath = "c:\\restoreNorvanePan.dat";

#pragma pack(push, 1)
struct RestoreImage {
    std::uint16_t identification[15];  // saved, never written back
    std::uint16_t manufacturing[16];
    std::uint16_t calibration[40];
    std::uint16_t preferences[20];
};
#pragma pack(pop)
static_assert(sizeof(RestoreImage) == 182);
static_assert(offsetof(RestoreImage, manufacturing) == 30);
static_assert(offsetof(RestoreImage, calibration) == 62);
static_assert(offsetof(RestoreImage, preferences) == 142);

// A file shorter than the image is refused: its missing words would reach the unit
// undefined.
std::optional<RestoreImage> parse_restore_file(std::span<const std::uint8_t> bytes);

enum class RestoreGroup { calibration, manufacturing, preferences };

struct GroupRestore {
    std::size_t offset, bytes;  // in the file
    std::uint16_t address;      // where the words go
    std::uint16_t store_command, acknowledge_command;
};

GroupRestore group_restore(RestoreGroup group);

}  // namespace np::ventra
