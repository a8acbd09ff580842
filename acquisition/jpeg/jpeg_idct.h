// Inverse DCT of one 8x8 block to 8-bit samples (level shift and clamping included).
#pragma once

#include <array>
#include <cstdint>

namespace np::jpeg {

// Quantisation table pre-multiplied by the scale factors of the fast float IDCT
// (Arai, Agui and Nakajima), natural order.
using ScaledQuant = std::array<float, 64>;

ScaledQuant scale_quant(const std::array<uint16_t, 64>& quant);

// coef: dequantised coefficients (coefficient x scaled quant), natural order.
// out: 8 rows of 8 samples, `stride` bytes apart.
void idct_8x8(const float* coef, uint8_t* out, int stride);

// A block whose only coefficient is DC: every sample equals the same value.
void idct_dc_only(float dc, uint8_t* out, int stride);

}  // namespace np::jpeg
