// De-interleaving of raw sensor lines into image order.
//
// The sensor is read through two taps whose samples arrive interleaved: a raw
// line holds 622 pairs (a[k], b[k]). In image order the first tap fills samples
// 0..621 and the second 622..1243.
#pragma once

#include <cstddef>
#include <cstdint>

namespace np {

inline constexpr int kSamplesPerLine = 1244;
inline constexpr int kTapPairs = kSamplesPerLine / 2;
inline constexpr std::size_t kLineBytes = kSamplesPerLine * sizeof(std::uint16_t);

enum class LineOrder {
    forward,   // out[k] = a[k], out[622 + k] = b[k]
    reversed,  // the forward line read end to end: out[1243 - j] = forward[j]
};

// Rearranges samples / 1244 whole lines from src into dest. A trailing partial
// line is neither read nor written; src and dest must not overlap.
void rearrange_sensor_lines(std::uint16_t* dest, std::size_t samples, const std::uint16_t* src,
                            LineOrder order);

// ReArrangement as the driver calls it: a count of samples as an int, and nothing
// done for null buffers or a count below one line.
void rearrange_contract_lines(std::uint16_t* dest, int samples, const std::uint16_t* src,
                              LineOrder order);

}  // namespace np
