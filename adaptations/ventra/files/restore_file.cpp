#include "adaptations/ventra/files/restore_file.h"

#include <cstring>

#include "adaptations/ventra/link/unit_registers.h"

namespace np::ventra {

std::optional<RestoreImage> parse_restore_file(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < sizeof(RestoreImage)) return std::nullopt;
    RestoreImage image;
    std::memcpy(&image, bytes.data(), sizeof image);  // the file is little-endian, as we are
    return image;
}

GroupRestore group_restore(RestoreGroup group) {
    switch (group) {
        case RestoreGroup::calibration:
            return {offsetof(RestoreImage, calibration), 80, address::calibration, 0x0181, 0x010B};
        case RestoreGroup::manufacturing:
            return {offsetof(RestoreImage, manufacturing), 32, address::manufacturing, 0x0281, 0x020B};
        case RestoreGroup::preferences:
            break;
    }
    return {offsetof(RestoreImage, preferences), 40, address::preferences, 0x0481, 0x040B};
}

}  // namespace np::ventra
