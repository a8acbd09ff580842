#include "acquisition/jpeg/jpeg_idct.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace np::jpeg {
namespace {

constexpr float kSqrt2 = 1.414213562f;

float aan_scale(int k) {
    return k == 0 ? 1.0f
                  : static_cast<float>(std::cos(k * std::numbers::pi / 16.0) * std::numbers::sqrt2);
}

uint8_t to_sample(float v) {
    // 1/8 undoes the scaling of both passes; +128 is the level shift, +0.5 rounds.
    float s = std::clamp(v * 0.125f + 128.5f, 0.0f, 255.0f);
    return static_cast<uint8_t>(s);
}

// The 1-D transform down every column of an 8x8 block at once: the loop over columns has
// independent iterations, so the compiler runs it on vector registers.
inline void idct_columns(const float* in, float* out) {
    for (int c = 0; c < 8; ++c) {
        float t0 = in[0 * 8 + c], t1 = in[2 * 8 + c], t2 = in[4 * 8 + c], t3 = in[6 * 8 + c];
        float t10 = t0 + t2, t11 = t0 - t2;
        float t13 = t1 + t3, t12 = (t1 - t3) * kSqrt2 - t13;
        float e0 = t10 + t13, e3 = t10 - t13, e1 = t11 + t12, e2 = t11 - t12;

        float t4 = in[1 * 8 + c], t5 = in[3 * 8 + c], t6 = in[5 * 8 + c], t7 = in[7 * 8 + c];
        float z13 = t6 + t5, z10 = t6 - t5, z11 = t4 + t7, z12 = t4 - t7;
        float o7 = z11 + z13;
        float o11 = (z11 - z13) * kSqrt2;
        float z5 = (z10 + z12) * 1.847759065f;
        float o10 = z5 - z12 * 1.082392200f;
        float o12 = z5 - z10 * 2.613125930f;
        float o6 = o12 - o7;
        float o5 = o11 - o6;
        float o4 = o10 - o5;

        out[0 * 8 + c] = e0 + o7;
        out[7 * 8 + c] = e0 - o7;
        out[1 * 8 + c] = e1 + o6;
        out[6 * 8 + c] = e1 - o6;
        out[2 * 8 + c] = e2 + o5;
        out[5 * 8 + c] = e2 - o5;
        out[3 * 8 + c] = e3 + o4;
        out[4 * 8 + c] = e3 - o4;
    }
}

inline void transpose(const float* in, float* out) {
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 8; ++c)
            out[c * 8 + r] = in[r * 8 + c];
    }
}

}  // namespace

ScaledQuant scale_quant(const std::array<uint16_t, 64>& quant) {
    ScaledQuant scaled{};
    for (int row = 0; row < 8; ++row) {
        for (int col = 0; col < 8; ++col) {
            int i = row * 8 + col;
            scaled[i] = static_cast<float>(quant[i]) * aan_scale(row) * aan_scale(col);
        }
    }
    return scaled;
}

void idct_8x8(const float* coef, uint8_t* out, int stride) {
    // Columns, then rows as the columns of the transposed block; the result comes out
    // transposed once more and is stored the right way round.
    alignas(16) float a[64], b[64];
    idct_columns(coef, a);
    transpose(a, b);
    idct_columns(b, a);
    transpose(a, b);
    for (int row = 0; row < 8; ++row) {
        uint8_t* o = out + row * stride;
        for (int c = 0; c < 8; ++c)
            o[c] = to_sample(b[row * 8 + c]);
    }
}

void idct_dc_only(float dc, uint8_t* out, int stride) {
    uint8_t v = to_sample(dc);
    for (int row = 0; row < 8; ++row)
        std::memset(out + row * stride, v, 8);
}

}  // namespace np::jpeg
