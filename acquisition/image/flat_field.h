// Flat-field correction of the image sections, repair of dead sample positions and
// the sums either side of the seam that half balancing needs.
#pragma once

#include <emmintrin.h>

#include <array>
#include <cstdint>
#include <vector>

#include "acquisition/image/image_types.h"
#include "acquisition/image/mask.h"
#include "common/acquisition_record.h"

namespace np::image {

// corrected(v, s) for one mask, transfer mode and seam.
class Corrector {
  public:
    Corrector(const FlatFieldMask& mask, TransferMode mode, bool mirrored);

    // M - 1 - trunc((O - v) x gain[s] + 0.5), limited to 0 .. M - 1, where the product
    // rounds to single precision (the gain is a float) and the rounding term is added
    // in double precision.
    //
    // Adding it in single precision gives the same truncation for every product below
    // 2^22 in magnitude except the float just below 0.5, which single precision rounds
    // up to 1 (checked over all such floats); larger products end at 0 or M - 1 either
    // way. Limiting the rounded value to 0 .. M - 1 before the conversion limits the
    // result the same way. Single precision runs four samples at once instead of two.
    int operator()(int v, int s) const {
        const float product = static_cast<float>(offset_[s] - v) * gain_[s];
        float rounded = product + 0.5f;
        rounded -= product == kBelowHalf ? 1.0f : 0.0f;
        // Written as the minimum and maximum instructions read; NaN ends at 0.
        rounded = rounded > 0.0f ? rounded : 0.0f;
        rounded = rounded < top_float_ ? rounded : top_float_;
        return top_ - static_cast<int>(rounded);
    }

    // corrected(line[s], s) for s in [first, last], into out[s], but a sample of 0
    // gives 0 (what the display histogram counts). Eight samples at a time, in fixed
    // point where that provably gives the same result, else with the same
    // single-precision operations in the same order.
    void correct_span_keeping_zero(const std::uint16_t* line, int first, int last,
                                   std::uint16_t* out) const;

    // The flat field of one line in place: positions with a live gain other than the
    // seam, whose value is above 0.
    void correct_in_place(std::uint16_t* line) const;

    int top() const { return top_; }
    int seam() const { return seam_; }
    float gain(int s) const { return gain_[s]; }
    int offset(int s) const { return offset_[s]; }

  private:
    // The per-sample constants, held in registers across a loop (a member read back
    // after every store, as the stores might alias it, would cost more).
    struct Lanes {
        __m128i top;
        __m128 top_float;
        __m128 half;
        __m128 below_half;
        __m128 one;
        __m128i top16;
    };
    Lanes lanes() const;

    // The eight positions from s, as signed 16-bit lanes.
    __m128i correct_eight(__m128i samples, int s, const Lanes& lanes) const;
    __m128i correct_eight_in_float(__m128i samples, int s, const Lanes& lanes) const;
    bool correct_eight_in_fixed_point(__m128i samples, int s, const Lanes& lanes,
                                      __m128i& corrected) const;
    void prepare_fixed_point();

    static constexpr float kBelowHalf = 0.5f - 0x1p-25f;  // the float just below 0.5

    int top_;  // M - 1
    float top_float_;
    int seam_;
    std::array<int, kSamplesPerLine> offset_;  // O_A below the seam, O_B from it on
    std::array<float, kSamplesPerLine> gain_;
    std::array<std::uint16_t, kSamplesPerLine> live_;  // 0xFFFF where corrected
    // The other positions (the seam and dead gains), which keep their samples.
    std::array<std::int16_t, kSamplesPerLine> kept_;
    int kept_count_ = 0;

    // The offsets and gains in 16-bit fixed point (gain = whole + (high x 2^16 + low)
    // / 2^32, cut), and whether the eight positions from s all have a gain in 0 .. 16
    // and an offset in 0 .. M - 1, which that form needs.
    std::array<std::uint16_t, kSamplesPerLine> fixed_offset_{};
    std::array<std::uint16_t, kSamplesPerLine> gain_whole_{};
    std::array<std::uint16_t, kSamplesPerLine> gain_high_{};
    std::array<std::uint16_t, kSamplesPerLine> gain_low_{};
    std::array<bool, kSamplesPerLine> fixed_from_{};
};

// Sums of the three samples either side of the seam over every corrected line.
struct SeamSums {
    double below = 1.0;  // A
    double above = 1.0;  // B
};

// Lines [first, first + count) of the raw image, clipped to the image.
struct LineRange {
    int first = 0;
    int count = 0;
};

// The lines of image section k as the record places them, clipped to the image so
// that a record pointing past the buffer never leads outside it.
LineRange section_lines(const AcquisitionRecord& record, int k, int image_lines);

// The dead positions of a mask (gain below 0.01, the seam excluded), ascending.
std::vector<int> dead_positions(const Corrector& corrector);

// Runs of 1 to 3 dead positions interpolated from their neighbours, longer runs cleared.
void repair_dead_positions(std::uint16_t* line, const Corrector& corrector,
                           const std::vector<int>& dead);

void add_seam_samples(const std::uint16_t* line, int seam, SeamSums& sums);

// The whole first step over every image section of the record.
SeamSums flat_field(RawImage raw, const AcquisitionRecord& record, const Corrector& corrector);

}  // namespace np::image
