#include "acquisition/image/flat_field.h"

#include <emmintrin.h>

#include <algorithm>

namespace np::image {
namespace {

int section_count(const AcquisitionRecord& record) {
    return std::clamp<int>(record.section_count, 0, kMaxSections);
}

std::uint16_t rounded(double value) {
    return static_cast<std::uint16_t>(value);
}

// Number of consecutive positions from s on (at most 4) whose gain is at most 0.01.
int dead_run(const Corrector& corrector, int s) {
    int run = 0;
    while (run < 4 && s + run < kSamplesPerLine && corrector.gain(s + run) <= kDeadGain)
        ++run;
    return run;
}

void clear_dead_run(std::uint16_t* line, const Corrector& corrector, int s) {
    for (int p = s; p < kSamplesPerLine && p != corrector.seam() && corrector.gain(p) <= kDeadGain;
         ++p)
        line[p] = 0;
}

void interpolate_dead_run(std::uint16_t* line, int s, int run) {
    const double a = line[s - 1];
    const double b = line[s + run];
    switch (run) {
        case 1:
            line[s] = rounded((a + b) * 0.5 + 0.5);
            break;
        case 2:
            line[s] = rounded((2 * a + b) / 3 + 0.5);
            line[s + 1] = rounded((a + 2 * b) / 3 + 0.5);
            break;
        case 3:
            line[s] = rounded((3 * a + b) * 0.25 + 0.5);
            line[s + 1] = rounded((a + b) * 0.5 + 0.5);
            line[s + 2] = rounded((a + 3 * b) * 0.25 + 0.5);
            break;
    }
}

}  // namespace

Corrector::Corrector(const FlatFieldMask& mask, TransferMode mode, bool mirrored)
    : top_(full_scale(mode) - 1),
      top_float_(static_cast<float>(top_)),
      seam_(seam_position(mirrored)) {
    const int below = top_ - mask.dark_offset[0];
    const int above = top_ - mask.dark_offset[1];
    for (int s = 0; s < kSamplesPerLine; ++s) {
        offset_[s] = s < seam_ ? below : above;
        gain_[s] = mask.gain[s];
        live_[s] = (s != seam_ && gain_[s] >= kDeadGain) ? 0xFFFF : 0;
        if (!live_[s]) kept_[kept_count_++] = static_cast<std::int16_t>(s);
    }
    prepare_fixed_point();
}

void Corrector::prepare_fixed_point() {
    std::array<bool, kSamplesPerLine> suits{};
    for (int s = 0; s < kSamplesPerLine; ++s) {
        const float g = gain_[s];
        suits[s] = g >= 0.0f && g < 16.0f && offset_[s] >= 0 && offset_[s] <= top_;  // NaN fails
        if (!suits[s]) continue;
        const int whole = static_cast<int>(g);
        const auto fraction = static_cast<std::uint32_t>((static_cast<double>(g) - whole) * 0x1p32);
        fixed_offset_[s] = static_cast<std::uint16_t>(offset_[s]);
        gain_whole_[s] = static_cast<std::uint16_t>(whole);
        gain_high_[s] = static_cast<std::uint16_t>(fraction >> 16);
        gain_low_[s] = static_cast<std::uint16_t>(fraction & 0xFFFF);
    }
    int unsuited_ahead = 0;  // among positions s .. s + 7
    for (int s = kSamplesPerLine - 1; s >= 0; --s) {
        unsuited_ahead += suits[s] ? 0 : 1;
        if (s + 8 < kSamplesPerLine && !suits[s + 8]) --unsuited_ahead;
        fixed_from_[s] = s + 8 <= kSamplesPerLine && unsuited_ahead == 0;
    }
}

Corrector::Lanes Corrector::lanes() const {
    return {_mm_set1_epi32(top_), _mm_set1_ps(top_float_),
            _mm_set1_ps(0.5f),    _mm_set1_ps(kBelowHalf),
            _mm_set1_ps(1.0f),    _mm_set1_epi16(static_cast<short>(top_))};
}

__m128i Corrector::correct_eight(__m128i samples, int s, const Lanes& lanes) const {
    __m128i corrected;
    if (fixed_from_[s] && correct_eight_in_fixed_point(samples, s, lanes, corrected))
        return corrected;
    return correct_eight_in_float(samples, s, lanes);
}

// corrected(v, s) without single-precision arithmetic, eight lanes at once instead of
// four. With d = O - v (0 when v is above O, which ends at M - 1 either way) and the
// gain cut to 32 fraction bits, d x gain + 1/2 is formed from 16 x 16-bit products:
// its whole part exactly, its fraction in units of 2^-14, at most 0.27 unit below and
// 0.75 unit above the exact value. The single-precision product of operator() is
// within 2 units of the exact one below M, and products from M on end at 0 in both.
// So the whole parts agree whenever the computed fraction is at least 4 units from an
// integer; a group with a lane closer than that is left to the float version.
bool Corrector::correct_eight_in_fixed_point(__m128i samples, int s, const Lanes& lanes,
                                             __m128i& corrected) const {
    auto at = [s](const std::array<std::uint16_t, kSamplesPerLine>& table) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(&table[s]));
    };
    const __m128i d = _mm_subs_epu16(at(fixed_offset_), samples);
    const __m128i high = at(gain_high_);
    const __m128i fraction_high = _mm_mullo_epi16(d, high);  // d x high mod 2^16
    const __m128i fraction_low = _mm_mulhi_epu16(d, at(gain_low_));
    // (fraction_high + fraction_low) / 2^16 + 1/2, in units of 2^-14, each average
    // rounding up by half a unit of its own scale.
    const __m128i fraction =
        _mm_avg_epu16(_mm_avg_epu16(fraction_high, fraction_low), _mm_set1_epi16(0x4000));
    const __m128i from_integer =
        _mm_and_si128(_mm_add_epi16(fraction, _mm_set1_epi16(4)), _mm_set1_epi16(0x3FFF));
    const __m128i too_close =
        _mm_cmpeq_epi16(_mm_subs_epu16(from_integer, _mm_set1_epi16(7)), _mm_setzero_si128());
    if (_mm_movemask_epi8(too_close) != 0) return false;
    // At most 15 x 4095 + 4094 + 2: within 16 bits.
    const __m128i whole =
        _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(d, at(gain_whole_)), _mm_mulhi_epu16(d, high)),
                      _mm_srli_epi16(fraction, 14));
    corrected = _mm_subs_epu16(lanes.top16, whole);  // M - 1 - min(whole, M - 1)
    return true;
}

// corrected(v, s) for the eight samples from s: operator() step for step, so that
// every lane rounds exactly as the single sample would. The results lie in 0 .. M - 1,
// so the signed packing to 16 bits never saturates.
__m128i Corrector::correct_eight_in_float(__m128i samples, int s, const Lanes& lanes) const {
    const __m128i zero = _mm_setzero_si128();
    auto half = [&](__m128i values, int at) {
        const __m128i offsets = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&offset_[at]));
        const __m128 product =
            _mm_mul_ps(_mm_cvtepi32_ps(_mm_sub_epi32(offsets, values)), _mm_loadu_ps(&gain_[at]));
        __m128 rounded = _mm_add_ps(product, lanes.half);
        rounded =
            _mm_sub_ps(rounded, _mm_and_ps(_mm_cmpeq_ps(product, lanes.below_half), lanes.one));
        rounded = _mm_max_ps(rounded, _mm_setzero_ps());
        rounded = _mm_min_ps(rounded, lanes.top_float);
        return _mm_sub_epi32(lanes.top, _mm_cvttps_epi32(rounded));
    };
    return _mm_packs_epi32(half(_mm_unpacklo_epi16(samples, zero), s),
                           half(_mm_unpackhi_epi16(samples, zero), s + 4));
}

void Corrector::correct_span_keeping_zero(const std::uint16_t* line, int first, int last,
                                          std::uint16_t* out) const {
    const __m128i zero = _mm_setzero_si128();
    const Lanes constants = lanes();
    int s = first;
    for (; s + 8 <= last + 1; s += 8) {
        const __m128i samples = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + s));
        const __m128i corrected = correct_eight(samples, s, constants);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + s),
                         _mm_andnot_si128(_mm_cmpeq_epi16(samples, zero), corrected));
    }
    for (; s <= last; ++s)
        out[s] = static_cast<std::uint16_t>(line[s] == 0 ? 0 : (*this)(line[s], s));
}

void Corrector::correct_in_place(std::uint16_t* line) const {
    // Every position is corrected eight at a time and the few that must keep their
    // samples are put back afterwards: cheaper than a select in every group of eight.
    std::uint16_t kept[kSamplesPerLine];
    for (int i = 0; i < kept_count_; ++i)
        kept[i] = line[kept_[i]];
    const __m128i zero = _mm_setzero_si128();
    const Lanes constants = lanes();
    int s = 0;
    for (; s + 8 <= kSamplesPerLine; s += 8) {
        auto* at = reinterpret_cast<__m128i*>(line + s);
        const __m128i samples = _mm_loadu_si128(at);
        const __m128i corrected = correct_eight(samples, s, constants);
        // A sample of 0 stays 0.
        _mm_storeu_si128(at, _mm_andnot_si128(_mm_cmpeq_epi16(samples, zero), corrected));
    }
    for (; s < kSamplesPerLine; ++s) {
        const std::uint16_t v = line[s];
        if (live_[s] && v != 0) line[s] = static_cast<std::uint16_t>((*this)(v, s));
    }
    for (int i = 0; i < kept_count_; ++i)
        line[kept_[i]] = kept[i];
}

LineRange section_lines(const AcquisitionRecord& record, int k, int image_lines) {
    if (k < 0 || k >= section_count(record)) return {};
    const int start = record.sections[k].start;
    const int end = start + record.sections[k].width;
    const int first = std::clamp(start, 0, image_lines);
    const int last = std::clamp(end, first, image_lines);
    return {first, last - first};
}

std::vector<int> dead_positions(const Corrector& corrector) {
    std::vector<int> dead;
    for (int s = 0; s < kSamplesPerLine; ++s)
        if (s != corrector.seam() && corrector.gain(s) < kDeadGain) dead.push_back(s);
    return dead;
}

void repair_dead_positions(std::uint16_t* line, const Corrector& corrector,
                           const std::vector<int>& dead) {
    // Only positions with a dead gain ever act, so walking their list in ascending
    // order sees each of them exactly when a scan of the whole line would, filled
    // values included.
    const int seam = corrector.seam();
    for (const int s : dead) {
        if (line[s] == 0) continue;
        const int run = dead_run(corrector, s);
        if (run == 4) {
            clear_dead_run(line, corrector, s);
            continue;
        }
        const int a = s - 1;
        const int b = s + run;
        if (a >= 0 && b <= kSamplesPerLine - 1 && a != seam && b != seam)
            interpolate_dead_run(line, s, run);
    }
}

void add_seam_samples(const std::uint16_t* line, int seam, SeamSums& sums) {
    sums.below += line[seam - 3];
    sums.below += line[seam - 2];
    sums.below += line[seam - 1];
    sums.above += line[seam + 1];
    sums.above += line[seam + 2];
    sums.above += line[seam + 3];
}

SeamSums flat_field(RawImage raw, const AcquisitionRecord& record, const Corrector& corrector) {
    SeamSums sums;
    const std::vector<int> dead = dead_positions(corrector);
    for (int k = 0; k < section_count(record); ++k) {
        const LineRange range = section_lines(record, k, raw.lines);
        for (int l = range.first; l < range.first + range.count; ++l) {
            std::uint16_t* line = raw.line(l);
            if (l + kPrefetchLines < raw.lines) prefetch_line(raw.line(l + kPrefetchLines));
            corrector.correct_in_place(line);
            repair_dead_positions(line, corrector, dead);
            add_seam_samples(line, corrector.seam(), sums);
        }
    }
    return sums;
}

}  // namespace np::image
