#include "common/sensor_lines.h"

namespace np {
namespace {

void rearrange_forward(std::uint16_t* out, const std::uint16_t* in) {
    for (int k = 0; k < kTapPairs; ++k) {
        out[k] = in[2 * k];
        out[kTapPairs + k] = in[2 * k + 1];
    }
}

void rearrange_reversed(std::uint16_t* out, const std::uint16_t* in) {
    for (int k = 0; k < kTapPairs; ++k) {
        out[kSamplesPerLine - 1 - k] = in[2 * k];
        out[kSamplesPerLine - 1 - (kTapPairs + k)] = in[2 * k + 1];
    }
}

}  // namespace

void rearrange_sensor_lines(std::uint16_t* dest, std::size_t samples, const std::uint16_t* src,
                            LineOrder order) {
    const std::size_t lines = samples / kSamplesPerLine;
    for (std::size_t line = 0; line < lines; ++line) {
        const std::uint16_t* in = src + line * kSamplesPerLine;
        std::uint16_t* out = dest + line * kSamplesPerLine;
        if (order == LineOrder::forward)
            rearrange_forward(out, in);
        else
            rearrange_reversed(out, in);
    }
}

void rearrange_contract_lines(std::uint16_t* dest, int samples, const std::uint16_t* src,
                              LineOrder order) {
    if (!dest || !src || samples <= 0) return;
    rearrange_sensor_lines(dest, static_cast<std::size_t>(samples), src, order);
}

}  // namespace np
