// The display table: grey level 0..255 for every corrected sample value, from the
// histogram of the first lines of the image. The live preview computes it the same
// way from the lines received so far.
#pragma once

#include <cstdint>
#include <vector>

#include "acquisition/image/flat_field.h"
#include "acquisition/image/image_types.h"

namespace np::image {

struct DisplayTableParams {
    std::uint8_t program = 0;  // the record's program byte
    int image_type = 1;        // "TypePano": 0 curve, otherwise linear
    TransferMode mode = TransferMode::bits10;
    bool mirrored = false;
};

// The whole computation from n raw lines starting at `lines` (n below 1: no line).
DisplayTable compute_display_table(const std::uint16_t* lines, int n, const FlatFieldMask& mask,
                                   const DisplayTableParams& params);

// The steps, exposed for the preview, the image build and tests.

// The histogram of corrected values over a line's counted positions, built one line
// at a time so that a caller can count each line while it is still in cache.
class DisplayHistogram {
  public:
    DisplayHistogram(const Corrector& corrector, std::uint8_t program);
    void count_line(const std::uint16_t* line);
    Histogram counts() const;

  private:
    // Four partial histograms so that runs of equal values do not wait on each other.
    // They count in 16 bits, which keeps all four in the L1 cache, and are added to
    // the totals before any bin can overflow: a line adds at most a quarter of its
    // samples, plus the last few, to one bin of one partial.
    static constexpr int kPartials = 4;
    static constexpr int kLinesPerFlush =
        0xFFFF / (kSamplesPerLine / kPartials + kPartials);  // 208

    void add_partials_to_totals();

    const Corrector& corrector_;
    int first_;  // sample positions h0 .. 1243 - h1
    int last_;
    std::vector<std::uint16_t> partials_;
    std::vector<std::uint32_t> totals_;
    int lines_in_partials_ = 0;
};

Histogram display_histogram(const std::uint16_t* lines, int n, const Corrector& corrector,
                            std::uint8_t program);

// The table for the counts of n lines (plain scale for its program byte).
DisplayTable display_table_from(const Histogram& counts, int n, const DisplayTableParams& params);

DisplayTable plain_scale_table(int m);

// lo: first bin from 1 on where the counts of bins 1..lo reach n x 1244 / 1000;
// hi: the highest nonempty bin.
struct LinearPoints {
    int lo;
    int hi;
};
LinearPoints linear_points(const Histogram& counts, int n, int m);
DisplayTable linear_table(const Histogram& counts, int n, int m);

// White point, the smoothed histogram's plateau and the black point of the curve.
struct CurvePoints {
    int white;
    int left;
    int right;
    int mid;
    int black;
};
CurvePoints curve_points(const Histogram& counts, int n, int m);
DisplayTable curve_table(const Histogram& counts, int n, int m);

}  // namespace np::image
