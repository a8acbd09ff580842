#include "acquisition/mask/mask_file.h"

#include <cstring>

namespace np::mask {

std::optional<Mask> parse_mask(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kFileBytes) return std::nullopt;
    Mask mask;
    const std::uint8_t* at = bytes.data();
    std::memcpy(mask.header.data(), at, kHeaderBytes);
    at += kHeaderBytes;
    for (auto& offset : mask.dark_offset) {
        offset = static_cast<std::uint16_t>(at[0] | (at[1] << 8));
        at += 2;
    }
    for (float& gain : mask.gains) {
        const std::uint32_t bits = static_cast<std::uint32_t>(at[0]) | (at[1] << 8) |
                                   (at[2] << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
        std::memcpy(&gain, &bits, sizeof gain);
        at += 4;
    }
    return mask;
}

std::string mask_path(const std::string& system_directory) {
    return system_directory + "\\" + kFileName;
}

}  // namespace np::mask
