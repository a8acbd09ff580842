// The flat-field mask "PANO.MSK": the cassette it belongs to, the dark offset of each
// sensor half and a gain per sample position.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/sensor_lines.h"

namespace np::mask {

inline constexpr const char* kFileName = "PANO.MSK";
inline constexpr std::size_t kHeaderBytes = 20;
inline constexpr std::size_t kGainBytes = kSamplesPerLine * sizeof(float);
// Header, two u16 offsets, 1244 f32 gains; anything shorter is refused.
inline constexpr std::size_t kFileBytes = kHeaderBytes + 2 * sizeof(std::uint16_t) + kGainBytes;
static_assert(kFileBytes == 5000);

struct Mask {
    // ASCII serial number of the cassette, NUL padded (not necessarily terminated).
    std::array<char, kHeaderBytes> header{};
    std::uint16_t dark_offset[2]{};  // first half (samples 0 to the seam), second half
    std::array<float, kSamplesPerLine> gains{};
};

// The file's bytes as read; nullopt when shorter than kFileBytes. Bytes past the
// gains are ignored.
std::optional<Mask> parse_mask(std::span<const std::uint8_t> bytes);

// "<system directory>\PANO.MSK".
std::string mask_path(const std::string& system_directory);

}  // namespace np::mask
