#include "acquisition/image/line_steps.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>

namespace np::image {
namespace {

constexpr int kSumFirst = 100;
constexpr int kSumLast = 1143;
constexpr int kSumLength = kSumLast - kSumFirst + 1;  // 1044
constexpr int kEdgeLines = 7;
constexpr int kNeighbourhood = 2 * kEdgeLines + 1;
constexpr double kSpikeRatio = 0.15;
// Both neighbours of a spike must carry at least this much signal.
constexpr std::uint32_t kSpikeNeighbourMinimum = 1244;

std::uint16_t third_mix(int heavy, int light) {
    return static_cast<std::uint16_t>((2.0 * heavy + light) / 3 + 0.5);
}

// (M' - N') / N' > 0.15 with X' = K - x + 1, as a line darker than its neighbour.
bool darker_than(std::int64_t k, std::uint32_t line, std::uint32_t neighbour) {
    const double dark = static_cast<double>(k - line + 1);
    const double reference = static_cast<double>(k - neighbour + 1);
    // A neighbour beyond the full-scale sum would divide by zero or flip the sign.
    if (reference <= 0) return false;
    return (dark - reference) / reference > kSpikeRatio;
}

void replace_by_neighbour_mean(std::uint16_t* line, const std::uint16_t* before,
                               const std::uint16_t* after) {
    for (int s = 0; s < kSamplesPerLine; ++s)
        line[s] = static_cast<std::uint16_t>((before[s] + after[s]) / 2);
}

}  // namespace

BalanceTable balance_table(const SeamSums& sums, int top, bool balancing) {
    BalanceTable table{};
    const double r = sums.below / sums.above;
    for (int i = 1; i < kTableSize; ++i) {
        if (!balancing || i > top) {
            table[i] = static_cast<std::uint16_t>(std::min(i, top));
            continue;
        }
        const int value = static_cast<int>(top - (top - i) * r + 0.5);
        table[i] = static_cast<std::uint16_t>(std::clamp(value, 0, top));
    }
    return table;
}

void limit_samples(const std::uint16_t* in, std::uint16_t* out, int count, int top) {
    // Unsigned 16-bit minimum without SSE4.1: v - (v - top, saturated at 0).
    const __m128i tops = _mm_set1_epi16(static_cast<short>(top));
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_sub_epi16(v, _mm_subs_epu16(v, tops)));
    }
    for (; i < count; ++i)
        out[i] = static_cast<std::uint16_t>(std::min<int>(in[i], top));
}

void balance_line(std::uint16_t* line, int seam, int top, const BalanceTable& table) {
    std::uint16_t* above = line + seam + 1;
    const int count = kSamplesPerLine - seam - 1;
    limit_samples(above, above, count, top);
#pragma GCC unroll 4
    for (int i = 0; i < count; ++i)
        above[i] = table[above[i]];
}

void balance_halves(RawImage raw, int seam, int top, const BalanceTable& table) {
    for (int l = 0; l < raw.lines; ++l)
        balance_line(raw.line(l), seam, top, table);
}

SeamFill seam_fill_for(std::uint32_t post_process_bits, bool mirrored) {
    if (!(post_process_bits & post_process::kTwoSampleSeam)) return SeamFill::mean;
    return mirrored ? SeamFill::shift_above : SeamFill::shift_below;
}

void fill_seam(std::uint16_t* line, int seam, SeamFill fill) {
    switch (fill) {
        case SeamFill::mean:
            line[seam] = static_cast<std::uint16_t>((line[seam - 1] + line[seam + 1]) * 0.5 + 0.5);
            break;
        case SeamFill::shift_below: {
            std::memmove(line, line + 1, (seam - 1) * sizeof(std::uint16_t));
            const int a = line[seam - 2];
            const int b = line[seam + 1];
            line[seam - 1] = third_mix(a, b);
            line[seam] = third_mix(b, a);
            break;
        }
        case SeamFill::shift_above: {
            const int last = kSamplesPerLine - 1;
            std::memmove(line + seam + 2, line + seam + 1,
                         (last - seam - 1) * sizeof(std::uint16_t));
            const int a = line[seam - 1];
            const int b = line[seam + 2];
            line[seam] = third_mix(a, b);
            line[seam + 1] = third_mix(b, a);
            break;
        }
    }
}

std::uint32_t line_sum(const std::uint16_t* line) {
    std::uint32_t sum = 0;
    for (int s = kSumFirst; s <= kSumLast; ++s)
        sum += line[s];
    return sum == 0 ? 1 : sum;
}

std::vector<std::uint32_t> line_sums(RawImage raw) {
    std::vector<std::uint32_t> sums(raw.lines);
    for (int l = 0; l < raw.lines; ++l)
        sums[l] = line_sum(raw.line(l));
    return sums;
}

bool repair_line_spike(RawImage raw, int top, std::vector<std::uint32_t>& sums, int l) {
    const std::int64_t k = static_cast<std::int64_t>(kSumLength) * top;
    const std::uint32_t a = sums[l - 1];
    const std::uint32_t m = sums[l];
    const std::uint32_t b = sums[l + 1];
    if (a < kSpikeNeighbourMinimum || b < kSpikeNeighbourMinimum) return false;
    if (!darker_than(k, m, a) || !darker_than(k, m, b)) return false;
    replace_by_neighbour_mean(raw.line(l), raw.line(l - 1), raw.line(l + 1));
    sums[l] = static_cast<std::uint32_t>((static_cast<std::uint64_t>(a) + b) / 2);
    return true;
}

void repair_line_spikes(RawImage raw, int top, std::vector<std::uint32_t>& sums) {
    for (int l = 1; l + 1 < raw.lines; ++l)
        repair_line_spike(raw, top, sums, l);
}

std::vector<double> normalisation_ratios(const std::vector<std::uint32_t>& sums, int top) {
    const int lines = static_cast<int>(sums.size());
    std::vector<double> ratios(lines, 1.0);
    if (lines < kNeighbourhood) return ratios;  // every line is within 7 of an end
    const std::int64_t full = static_cast<std::int64_t>(top) * kSumLength;
    auto signal = [&](int l) { return full - static_cast<std::int64_t>(sums[l]); };
    std::int64_t window = 0;
    for (int l = 0; l < kNeighbourhood; ++l)
        window += signal(l);
    for (int l = kEdgeLines; l < lines - kEdgeLines; ++l) {
        if (l > kEdgeLines) window += signal(l + kEdgeLines) - signal(l - kEdgeLines - 1);
        const std::int64_t own = signal(l);
        const std::int64_t mean = window / kNeighbourhood;
        ratios[l] = own == 0 ? 1.0 : static_cast<double>(mean) / own;
    }
    return ratios;
}

namespace {

// (M - 1) - trunc((M - 1 - v) x ratio), limited to 0 .. M - 1, in double precision:
// exact for every ratio, two samples at a time.
class DoubleScaler {
  public:
    DoubleScaler(int top, double ratio) {
        // Beyond these bounds every sample ends at 0 or M - 1 anyway; inside them the
        // products stay far from the limits of int, so no sample needs its own guard.
        constexpr double kRatioLimit = 3e4;                    // x 65535 still fits an int
        ratio = ratio >= -kRatioLimit ? ratio : -kRatioLimit;  // NaN too
        ratio = ratio > kRatioLimit ? kRatioLimit : ratio;
        ratio_ = ratio;
        top_ = top;
        factor_ = _mm_set1_pd(ratio);
        upper_ = _mm_set1_pd(top);
        tops_ = _mm_set1_epi32(top);
    }

    // Limiting the product to 0 .. M - 1 before truncation limits the result exactly
    // as limiting it afterwards would (a product in (-1, 0) truncates to 0 either way),
    // and the double minimum and maximum are single instructions where the integer
    // ones are not. The results fit the signed packing.
    __m128i eight(__m128i samples) const {
        const __m128i zero = _mm_setzero_si128();
        return _mm_packs_epi32(four(_mm_unpacklo_epi16(samples, zero)),
                               four(_mm_unpackhi_epi16(samples, zero)));
    }

    std::uint16_t one(int v) const {
        double product = (top_ - v) * ratio_;
        product = product > 0.0 ? product : 0.0;
        product = product < top_ ? product : top_;
        return static_cast<std::uint16_t>(top_ - static_cast<int>(product));
    }

  private:
    __m128i pair(__m128i distances) const {
        __m128d product = _mm_mul_pd(_mm_cvtepi32_pd(distances), factor_);
        product = _mm_min_pd(_mm_max_pd(product, _mm_setzero_pd()), upper_);
        return _mm_cvttpd_epi32(product);
    }
    __m128i four(__m128i values) const {
        const __m128i distances = _mm_sub_epi32(tops_, values);
        const __m128i low = pair(distances);
        const __m128i high = pair(_mm_shuffle_epi32(distances, _MM_SHUFFLE(1, 0, 3, 2)));
        return _mm_sub_epi32(tops_, _mm_unpacklo_epi64(low, high));
    }

    double ratio_;
    int top_;
    __m128d factor_;
    __m128d upper_;
    __m128i tops_;
};

// The same result from 16-bit fixed point, eight samples at a time, for the ratios
// lines really have (0 to 16). The ratio is cut to whole + fraction / 2^32 and each
// product d x ratio (d = M - 1 - v, at most 4095) is formed from 16 x 16-bit parts.
// The cut fraction and the dropped low part make the computed product smaller than
// the exact one by less than 1.07 / 2^16, so its integer part is the exact product's
// integer part, and the double product truncates the same way, unless the computed
// fraction lies within 2 / 2^16 of the next integer. `eight` reports such groups,
// which the double scaler then does.
class FixedScaler {
  public:
    static bool suits(int top, double ratio) { return top <= 4095 && ratio >= 0.0 && ratio < 16.0; }

    FixedScaler(int top, double ratio) {
        const double whole = static_cast<int>(ratio);
        const auto fraction = static_cast<std::uint32_t>((ratio - whole) * 0x1p32);
        tops_ = _mm_set1_epi16(static_cast<short>(top));
        whole_ = _mm_set1_epi16(static_cast<short>(whole));
        high_ = _mm_set1_epi16(static_cast<short>(fraction >> 16));
        low_ = _mm_set1_epi16(static_cast<short>(fraction & 0xFFFF));
    }

    // False when the group is too close to call.
    bool eight(__m128i samples, __m128i& scaled) const {
        // A sample above M - 1 has a negative distance, which ends at M - 1 as 0 does.
        const __m128i d = _mm_subs_epu16(tops_, samples);
        const __m128i high_product_low = _mm_mullo_epi16(d, high_);
        const __m128i low_product_high = _mm_mulhi_epu16(d, low_);
        const __m128i fraction = _mm_add_epi16(high_product_low, low_product_high);
        // The carry out of that sum: (a + b + 1) / 2 reaches 2^15 from a + b = 65535
        // on, one too early only where the fraction is too close to call anyway.
        const __m128i carry = _mm_srli_epi16(_mm_avg_epu16(high_product_low, low_product_high), 15);
        // Whole x d + high part <= 15 x 4095 + 4095 + 1 fits 16 bits.
        const __m128i product = _mm_add_epi16(
            _mm_add_epi16(_mm_mullo_epi16(d, whole_), _mm_mulhi_epu16(d, high_)), carry);
        const __m128i close = _mm_subs_epu16(fraction, _mm_set1_epi16(-3));  // above 65533
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(close, _mm_setzero_si128())) != 0xFFFF) return false;
        scaled = _mm_subs_epu16(tops_, product);  // M - 1 - min(product, M - 1)
        return true;
    }

  private:
    __m128i tops_;
    __m128i whole_;
    __m128i high_;
    __m128i low_;
};

}  // namespace

void scale_line(std::uint16_t* line, int top, double ratio) {
    const DoubleScaler exact(top, ratio);
    const bool fixed = FixedScaler::suits(top, ratio);
    const FixedScaler quick(top, fixed ? ratio : 0.0);
    int s = 0;
    for (; s + 8 <= kSamplesPerLine; s += 8) {
        auto* at = reinterpret_cast<__m128i*>(line + s);
        const __m128i samples = _mm_loadu_si128(at);
        __m128i scaled;
        if (!fixed || !quick.eight(samples, scaled)) scaled = exact.eight(samples);
        _mm_storeu_si128(at, scaled);
    }
    for (; s < kSamplesPerLine; ++s)
        line[s] = exact.one(line[s]);
}

void normalise_lines(RawImage raw, int top, const std::vector<std::uint32_t>& sums) {
    const std::vector<double> ratios = normalisation_ratios(sums, top);
    for (int l = 0; l < raw.lines; ++l)
        if (ratios[l] != 1.0) scale_line(raw.line(l), top, ratios[l]);
}

}  // namespace np::image
