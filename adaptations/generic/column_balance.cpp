#include "adaptations/generic/column_balance.h"

#include <algorithm>
#include <new>
#include <vector>

namespace np::generic {
namespace {

constexpr int kRadius = 7;
constexpr int kNeighbourhood = 2 * kRadius + 1;

// f(v) = a v^2 + b v per column; a = 0, b = 1 leaves a column as it is.
struct ColumnCurve {
    double a = 0.0;
    double b = 1.0;
};

std::vector<std::uint32_t> column_sums(const std::uint8_t* image, int width, int stride, int rows) {
    std::vector<std::uint32_t> sums(width, 0);
    for (int j = 0; j < rows; ++j) {
        const std::uint8_t* row = image + static_cast<std::ptrdiff_t>(j) * stride;
        for (int c = 0; c < width; ++c)
            sums[c] += row[c];
    }
    return sums;
}

std::vector<std::uint32_t> neighbourhood_means(const std::vector<std::uint32_t>& sums) {
    const int width = static_cast<int>(sums.size());
    std::vector<std::uint32_t> means(width, 0);
    for (int c = kRadius; c <= width - kRadius - 1; ++c) {
        std::uint32_t total = 0;
        for (int k = c - kRadius; k <= c + kRadius; ++k)
            total += sums[k];
        means[c] = total / kNeighbourhood;
    }
    return means;
}

std::vector<ColumnCurve> column_curves(const std::vector<std::uint32_t>& sums,
                                       const std::vector<std::uint32_t>& means, int rows) {
    const int width = static_cast<int>(sums.size());
    std::vector<ColumnCurve> curves(width);
    for (int c = kRadius; c <= width - kRadius - 1; ++c) {
        const std::uint32_t sum = sums[c];
        if (sum == 0 || sum / static_cast<std::uint32_t>(rows) == 255) continue;
        const double r = static_cast<double>(means[c]) / sum;
        const double m = static_cast<double>(sum) / rows;
        const float a = static_cast<float>((r - 1) / (m - 255));
        const float b = static_cast<float>(r - sum * static_cast<double>(a) / rows);
        curves[c] = {a, b};
    }
    return curves;
}

void apply_curves(std::uint8_t* image, int stride, int height,
                  const std::vector<ColumnCurve>& curves) {
    const int width = static_cast<int>(curves.size());
    for (int j = 0; j < height; ++j) {
        std::uint8_t* row = image + static_cast<std::ptrdiff_t>(j) * stride;
        for (int c = kRadius; c <= width - kRadius - 1; ++c) {
            const double v = row[c];
            const double bent = v * (curves[c].a * v + curves[c].b) + 0.5;
            row[c] = static_cast<std::uint8_t>(std::clamp(bent, 0.0, 255.0));
        }
    }
}

}  // namespace

bool balance_columns(std::uint8_t* image, int width, int height) {
    if (!image || width < kMinWidth || height <= 0) return false;
    const int stride = (width + 3) & ~3;
    try {
        // Short images keep all sums at 0, which leaves every column unchanged.
        const int rows = height > kUnsummedRows ? height - kUnsummedRows : 0;
        const std::vector<std::uint32_t> sums = column_sums(image, width, stride, rows);
        if (rows == 0) return true;
        const std::vector<std::uint32_t> means = neighbourhood_means(sums);
        apply_curves(image, stride, height, column_curves(sums, means, rows));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace np::generic
