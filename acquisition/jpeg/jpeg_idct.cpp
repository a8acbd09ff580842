#include "acquisition/jpeg/jpeg_idct.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace np::jpeg {
namespace {

constexpr float kSqrt2 = 1.414213562f;

float aan_scale(int k) {
    return k == 0 ? 1.0f : static_cast<float>(std::cos(k * std::numbers::pi / 16.0) * std::numbers::sqrt2);
}

uint8_t to_sample(float v) {
    // 1/8 undoes the scaling of both passes; +128 is the level shift, +0.5 rounds.
    float s = std::clamp(v * 0.125f + 128.5f, 0.0f, 255.0f);
    return static_cast<uint8_t>(s);
}

// One 1-D pass over 8 values `step` apart, results written `step` apart to out.
template <typename Out>
inline void idct_1d(const float* in, int step, Out&& out) {
    float t0 = in[0 * step], t1 = in[2 * step], t2 = in[4 * step], t3 = in[6 * step];
    float t10 = t0 + t2, t11 = t0 - t2;
    float t13 = t1 + t3, t12 = (t1 - t3) * kSqrt2 - t13;
    t0 = t10 + t13;
    t3 = t10 - t13;
    t1 = t11 + t12;
    t2 = t11 - t12;

    float t4 = in[1 * step], t5 = in[3 * step], t6 = in[5 * step], t7 = in[7 * step];
    float z13 = t6 + t5, z10 = t6 - t5, z11 = t4 + t7, z12 = t4 - t7;
    t7 = z11 + z13;
    float t11b = (z11 - z13) * kSqrt2;
    float z5 = (z10 + z12) * 1.847759065f;
    float t10b = z5 - z12 * 1.082392200f;
    float t12b = z5 - z10 * 2.613125930f;
    t6 = t12b - t7;
    t5 = t11b - t6;
    t4 = t10b - t5;

    out(0, t0 + t7);
    out(7, t0 - t7);
    out(1, t1 + t6);
    out(6, t1 - t6);
    out(2, t2 + t5);
    out(5, t2 - t5);
    out(3, t3 + t4);
    out(4, t3 - t4);
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
    float work[64];
    for (int col = 0; col < 8; ++col) {
        const float* c = coef + col;
        if (c[8] == 0 && c[16] == 0 && c[24] == 0 && c[32] == 0 && c[40] == 0 && c[48] == 0 &&
            c[56] == 0) {
            // Common case: a column with DC only is constant.
            for (int r = 0; r < 8; ++r) work[r * 8 + col] = c[0];
            continue;
        }
        idct_1d(c, 8, [&](int r, float v) { work[r * 8 + col] = v; });
    }
    for (int row = 0; row < 8; ++row) {
        uint8_t* o = out + row * stride;
        idct_1d(work + row * 8, 1, [&](int c, float v) { o[c] = to_sample(v); });
    }
}

void idct_dc_only(float dc, uint8_t* out, int stride) {
    uint8_t v = to_sample(dc);
    for (int row = 0; row < 8; ++row) std::memset(out + row * stride, v, 8);
}

}  // namespace np::jpeg
