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

void scale_line(std::uint16_t* line, int top, double ratio) {
    // Beyond these bounds every sample ends at 0 or M - 1 anyway; inside them the
    // products stay far from the limits of int, so no sample needs its own guard.
    constexpr double kRatioLimit = 3e4;                    // x 65535 still fits an int
    ratio = ratio >= -kRatioLimit ? ratio : -kRatioLimit;  // NaN too
    ratio = ratio > kRatioLimit ? kRatioLimit : ratio;
    // Limiting the product to 0 .. M - 1 before truncation limits the result exactly
    // as limiting it afterwards would (a product in (-1, 0) truncates to 0 either way),
    // and the double minimum and maximum are single instructions where the integer
    // ones are not. Eight samples at a time; the results fit the signed packing.
    const double limit = top;
    const __m128d factor = _mm_set1_pd(ratio);
    const __m128d upper = _mm_set1_pd(limit);
    const __m128i tops = _mm_set1_epi32(top);
    auto scaled_pair = [&](__m128i distances) {
        __m128d product = _mm_mul_pd(_mm_cvtepi32_pd(distances), factor);
        product = _mm_min_pd(_mm_max_pd(product, _mm_setzero_pd()), upper);
        return _mm_cvttpd_epi32(product);
    };
    auto scaled_four = [&](__m128i values) {
        const __m128i distances = _mm_sub_epi32(tops, values);
        const __m128i low = scaled_pair(distances);
        const __m128i high = scaled_pair(_mm_shuffle_epi32(distances, _MM_SHUFFLE(1, 0, 3, 2)));
        return _mm_sub_epi32(tops, _mm_unpacklo_epi64(low, high));
    };
    int s = 0;
    for (; s + 8 <= kSamplesPerLine; s += 8) {
        auto* at = reinterpret_cast<__m128i*>(line + s);
        const __m128i samples = _mm_loadu_si128(at);
        const __m128i zero = _mm_setzero_si128();
        _mm_storeu_si128(at, _mm_packs_epi32(scaled_four(_mm_unpacklo_epi16(samples, zero)),
                                             scaled_four(_mm_unpackhi_epi16(samples, zero))));
    }
    for (; s < kSamplesPerLine; ++s) {
        double product = (top - line[s]) * ratio;
        product = product > 0.0 ? product : 0.0;
        product = product < limit ? product : limit;
        line[s] = static_cast<std::uint16_t>(top - static_cast<int>(product));
    }
}

void normalise_lines(RawImage raw, int top, const std::vector<std::uint32_t>& sums) {
    const std::vector<double> ratios = normalisation_ratios(sums, top);
    for (int l = 0; l < raw.lines; ++l)
        if (ratios[l] != 1.0) scale_line(raw.line(l), top, ratios[l]);
}

}  // namespace np::image
