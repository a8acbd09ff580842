// Terms shared by the image building steps.
#pragma once

#include <xmmintrin.h>

#include <array>
#include <cstdint>

#include "common/sensor_lines.h"

namespace np::image {

inline constexpr int kMaxImageLines = 4000;
inline constexpr int kTableSize = 4096;
inline constexpr int kSeam = 621;          // dead position between the sensor halves
inline constexpr int kMirroredSeam = 622;  // the same position when the scan ran backwards

enum class TransferMode { bits10, bits12 };

// M: number of sample values (samples range 0 .. M - 1).
constexpr int full_scale(TransferMode mode) {
    return mode == TransferMode::bits12 ? 4096 : 1024;
}
constexpr int seam_position(bool mirrored) {
    return mirrored ? kMirroredSeam : kSeam;
}

// Bits of the "PostProcess" setting.
namespace post_process {
inline constexpr std::uint32_t kLineNormalisation = 1;
inline constexpr std::uint32_t kHalfBalancing = 2;
inline constexpr std::uint32_t kSpikeRepair = 4;
inline constexpr std::uint32_t kAdaptationStep = 8;
inline constexpr std::uint32_t kTwoSampleSeam = 16;
}  // namespace post_process

// "TypePano": 0 curve, 1 (or any other but 2) linear, 2 raw image to the host.
inline constexpr int kCurveImage = 0;
inline constexpr int kRawImage = 2;

// The program byte that asks for the plain-scale display table.
inline constexpr std::uint8_t kPlainScaleProgram = 0;

using Histogram = std::array<std::uint32_t, kTableSize>;
using DisplayTable = std::array<std::uint8_t, kTableSize>;

// The driver's raw image: `lines` sensor lines of 1244 samples, one after the other.
struct RawImage {
    std::uint16_t* samples;
    int lines;

    std::uint16_t* line(int l) const {
        return samples + static_cast<std::ptrdiff_t>(l) * kSamplesPerLine;
    }
};

// Asks for a sensor line ahead of its use. The hardware prefetcher follows a run of
// lines too, but it stops at every page boundary, which the 2488-byte lines cross
// often; each pass over the image waits on memory far less with this.
inline constexpr int kPrefetchLines = 2;  // how far ahead of the line in work
inline void prefetch_line(const std::uint16_t* line) {
    const char* bytes = reinterpret_cast<const char*>(line);
    for (int offset = 0; offset < kSamplesPerLine * 2; offset += 64)
        _mm_prefetch(bytes + offset, _MM_HINT_T0);
}

// Pixel rows of an 8-bit bitmap, stored bottom-up: rows[0] is the bottom row.
struct PixelRows {
    std::uint8_t* bits;
    int stride;  // bytes from one stored row to the next
};

}  // namespace np::image
