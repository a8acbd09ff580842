// Sizes of the card's picture buffer and of the driver's raw image buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/sensor_lines.h"

namespace np::transfer {

inline constexpr int kMaxImageLines = 4000;
// The raw image buffer: 4000 lines of 1244 image-ordered samples.
inline constexpr std::size_t kRawLineBytes = kLineBytes;  // 2488
inline constexpr std::size_t kRawBufferBytes = kMaxImageLines * kRawLineBytes;
static_assert(kRawBufferBytes == 9'952'000);
// Blank lines between two image sections in the raw buffer.
inline constexpr std::size_t kSectionGapBytes = 50 * kRawLineBytes;
static_assert(kSectionGapBytes == 124'400);

// The card's picture buffer holds 4000 lines of the 12-bit layout; its fill index
// counts down from the buffer size.
inline constexpr std::size_t kCardLineBytes12 = 2492;
inline constexpr int kCardLineWords12 = 1246;
inline constexpr std::size_t kCardLineBytes10 = kLineBytes;  // 2488
inline constexpr std::uint32_t kPictureBufferBytes = 9'968'000;
static_assert(kPictureBufferBytes == kMaxImageLines * kCardLineBytes12);

enum class TransferMode : int { bits10 = 1, bits12 = 2 };

// Largest sample value + 1 of a transfer mode (M).
constexpr int sample_range(TransferMode mode) {
    return mode == TransferMode::bits12 ? 4096 : 1024;
}

// 12-bit lines: bits 10-12 of the last word say what the line is.
enum ControlField : int { kControlImageEnd = 5, kControlSectionEnd = 6, kControlOrdinary = 7 };
constexpr int control_field(std::uint16_t word) {
    return (word >> 10) & 7;
}
constexpr std::uint16_t control_word(int control) {
    return static_cast<std::uint16_t>((control & 7) << 10);
}

}  // namespace np::transfer
