#include "acquisition/image/display_table.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace np::image {
namespace {

constexpr int kMargin = 64;
constexpr int kWideFirstMargin = 100;  // programs 180 to 186
constexpr int kWideLastMargin = 300;
constexpr std::uint8_t kWideMarginFirstProgram = 180;
constexpr std::uint8_t kWideMarginLastProgram = 186;

std::uint8_t grey(double value) {
    return static_cast<std::uint8_t>(std::clamp(std::floor(value), 0.0, 255.0));
}

// Sample positions h0 .. 1243 - h1 counted into the histogram.
struct Margins {
    int first;
    int last;
};

Margins margins_for(std::uint8_t program) {
    if (program >= kWideMarginFirstProgram && program <= kWideMarginLastProgram)
        return {kWideFirstMargin, kSamplesPerLine - 1 - kWideLastMargin};
    return {kMargin, kSamplesPerLine - 1 - kMargin};
}

std::int64_t pixel_count(int n) {
    return static_cast<std::int64_t>(std::max(n, 0)) * kSamplesPerLine;
}

int white_point(const Histogram& counts, int n, int m) {
    const std::int64_t target = pixel_count(n) / 100;
    std::int64_t total = 0;
    for (int k = m - 1; k >= 0; --k) {
        total += counts[k];
        if (total >= target) return k;
    }
    return 0;
}

// The curve's coefficients over b0 .. w. Ranges too short for the hyperbola (its
// denominator 2t - N vanishes for N = 2, 4, .. 12) take a straight ramp instead.
void fill_curve(DisplayTable& table, int black, int white) {
    const int range = white - black;
    const int points = range + 1;
    const int t = points / 2 - (20 * points) / 256;
    const int denominator = 2 * t - points;
    for (int j = 0; j < range; ++j) {
        double value;
        if (denominator == 0) {
            value = static_cast<double>(j) * 255 / range + 0.5;
        } else {
            const double a = static_cast<double>(t) * t / denominator;
            const double b = a * (a - points + 1);
            const double c = -(a - points + 1);
            value = (a + b / (c - j)) * 255 / range + 0.5;
        }
        table[black + j] = grey(value);
    }
}

}  // namespace

DisplayHistogram::DisplayHistogram(const Corrector& corrector, std::uint8_t program)
    : corrector_(corrector),
      first_(margins_for(program).first),
      last_(margins_for(program).last),
      partials_(static_cast<std::size_t>(kPartials) * kTableSize, 0),
      totals_(kTableSize, 0) {}

void DisplayHistogram::add_partials_to_totals() {
    for (int p = 0; p < kPartials; ++p)
        for (int i = 0; i < kTableSize; ++i)
            totals_[i] += partials_[static_cast<std::size_t>(p) * kTableSize + i];
    std::fill(partials_.begin(), partials_.end(), 0);
    lines_in_partials_ = 0;
}

void DisplayHistogram::count_line(const std::uint16_t* line) {
    if (lines_in_partials_ == kLinesPerFlush) add_partials_to_totals();
    ++lines_in_partials_;
    std::uint16_t* h0 = partials_.data();
    std::uint16_t* h1 = h0 + kTableSize;
    std::uint16_t* h2 = h1 + kTableSize;
    std::uint16_t* h3 = h2 + kTableSize;
    const int count = last_ - first_ + 1;
    std::uint16_t corrected[kSamplesPerLine];
    corrector_.correct_span_keeping_zero(line, first_, last_, corrected);
    const std::uint16_t* bins = corrected + first_;
    int i = 0;
    for (; i + kPartials <= count; i += kPartials) {
        ++h0[bins[i]];
        ++h1[bins[i + 1]];
        ++h2[bins[i + 2]];
        ++h3[bins[i + 3]];
    }
    for (; i < count; ++i)
        ++h0[bins[i]];
}

Histogram DisplayHistogram::counts() const {
    Histogram counts{};
    for (int i = 0; i < kTableSize; ++i) {
        counts[i] = totals_[i];
        for (int p = 0; p < kPartials; ++p)
            counts[i] += partials_[static_cast<std::size_t>(p) * kTableSize + i];
    }
    return counts;
}

Histogram display_histogram(const std::uint16_t* lines, int n, const Corrector& corrector,
                            std::uint8_t program) {
    DisplayHistogram histogram(corrector, program);
    for (int l = 0; l < n; ++l)
        histogram.count_line(lines + static_cast<std::ptrdiff_t>(l) * kSamplesPerLine);
    return histogram.counts();
}

DisplayTable plain_scale_table(int m) {
    DisplayTable table{};
    const int step = m / 256;
    for (int i = 0; i < kTableSize; ++i)
        table[i] = static_cast<std::uint8_t>(std::min(i / step, 255));
    return table;
}

LinearPoints linear_points(const Histogram& counts, int n, int m) {
    const std::int64_t target = pixel_count(n) / 1000;
    LinearPoints points{m - 1, 0};
    std::int64_t total = 0;
    for (int k = 1; k <= m - 1; ++k) {
        total += counts[k];
        if (total >= target) {
            points.lo = k;
            break;
        }
    }
    for (int k = kTableSize - 1; k >= 0; --k) {
        if (counts[k] != 0) {
            points.hi = k;
            break;
        }
    }
    return points;
}

DisplayTable linear_table(const Histogram& counts, int n, int m) {
    const auto [lo, hi] = linear_points(counts, n, m);
    if (hi <= lo) return plain_scale_table(m);
    DisplayTable table{};
    for (int i = 0; i < kTableSize; ++i) {
        if (i < lo)
            table[i] = 0;
        else if (i < hi)
            table[i] = grey(static_cast<double>((i - lo) * 255) / (hi - lo) + 0.5);
        else
            table[i] = 255;
    }
    return table;
}

CurvePoints curve_points(const Histogram& counts, int n, int m) {
    const int h = ((11 * m / 1024) - 1) / 2;
    const int e = 990 * m / 1024;
    const int c = std::min(64 * m / 1024 - 1, 255);

    CurvePoints points{};
    points.white = white_point(counts, n, m);

    // Smoothed histogram; sm[e] is never computed and stays 0.
    std::vector<std::int64_t> smoothed(kTableSize, 0);
    std::int64_t window = 0;
    for (int k = 1; k <= 2 * h - 1; ++k)
        window += counts[k];
    std::int64_t peak = window;
    for (int i = h + 1; i <= e - 1; ++i) {
        window += static_cast<std::int64_t>(counts[h + i - 1]) - counts[i - h];
        smoothed[i] = window;
        peak = std::max(peak, window);
    }
    const std::int64_t threshold = peak / 3;

    points.left = e;
    for (int i = h + 1; i <= e; ++i) {
        if (smoothed[i] > threshold) {
            points.left = i;
            break;
        }
    }
    points.right = h;
    for (int i = e - 1; i >= h + 1; --i) {
        if (smoothed[i] > threshold) {
            points.right = i;
            break;
        }
    }
    points.mid = (points.left + points.right) / 2;

    int black = static_cast<int>(points.mid - std::floor(1.2 * (points.white - points.mid)));
    if (points.white - black < c) black = points.white - c;
    if (black < 0) black = 0;
    points.black = black;
    return points;
}

DisplayTable curve_table(const Histogram& counts, int n, int m) {
    const CurvePoints points = curve_points(counts, n, m);
    DisplayTable table{};
    // A black point at or above the white point leaves no curve: a plain threshold.
    const int black = std::min(points.black, points.white);
    std::fill(table.begin(), table.begin() + black, 0);
    fill_curve(table, black, points.white);
    std::fill(table.begin() + points.white, table.end(), 255);
    return table;
}

DisplayTable display_table_from(const Histogram& counts, int n, const DisplayTableParams& params) {
    const int m = full_scale(params.mode);
    if (params.program == kPlainScaleProgram) return plain_scale_table(m);
    n = std::max(n, 0);
    return params.image_type == kCurveImage ? curve_table(counts, n, m)
                                            : linear_table(counts, n, m);
}

DisplayTable compute_display_table(const std::uint16_t* lines, int n, const FlatFieldMask& mask,
                                   const DisplayTableParams& params) {
    if (params.program == kPlainScaleProgram) return plain_scale_table(full_scale(params.mode));
    n = std::max(n, 0);
    const Corrector corrector(mask, params.mode, params.mirrored);
    return display_table_from(display_histogram(lines, n, corrector, params.program), n, params);
}

}  // namespace np::image
