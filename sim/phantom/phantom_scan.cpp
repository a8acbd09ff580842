#include "sim/phantom/phantom_scan.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace np::phantom {
namespace {

constexpr int kControlOrdinary = 7, kControlSectionEnd = 6, kControlImageEnd = 5;

}  // namespace

int image_columns(const ScanPlan& plan) {
    int columns = 0;
    for (int width : plan.widths)
        columns += width + kSectionGap;
    return plan.widths.empty() ? 0 : columns - kSectionGap;
}

// The scene's brightness range is kept in the upper part of the sample range so that
// even the most sensitive position (gain 0.5) never drives a sample below 1.
int corrected_value(float brightness, int sample_range) {
    const double b = std::clamp(static_cast<double>(brightness), 0.0, 1.0);
    return static_cast<int>(std::lround((sample_range - 1) * (0.55 + 0.42 * b)));
}

PhantomScan::PhantomScan(const Scene& scene, const SensorModel& model, ScanPlan plan)
    : scene_(scene), model_(model), plan_(std::move(plan)) {
    const int columns = image_columns(plan_);
    const int sections = static_cast<int>(plan_.widths.size());
    auto blank_lines = [this](int count) {
        for (int i = 0; i < count; ++i)
            lines_.push_back({-1, kControlOrdinary});
    };
    int start = 0;
    for (int k = 0; k < sections; ++k) {
        if (plan_.mode != 2 && k < kMaxSections) blank_lines(2 * plan_.gaps[k]);
        for (int j = 0; j < plan_.widths[k]; ++j) {
            const int raw_line = start + j;
            // The first line acquired ends up at the right edge unless the image is mirrored.
            const int column = plan_.forward ? columns - 1 - raw_line : raw_line;
            int control = kControlOrdinary;
            if (j == plan_.widths[k] - 1)
                control = k == sections - 1 ? kControlImageEnd : kControlSectionEnd;
            lines_.push_back({std::clamp(column, 0, scene_.columns - 1), control});
        }
        start += plan_.widths[k] + kSectionGap;
    }
    if (plan_.mode != 2) blank_lines(plan_.trailing_lines);
}

void PhantomScan::image_line(int column, std::uint16_t* samples) const {
    const int m = model_.sample_range;
    for (int s = 0; s < kSamplesPerLine; ++s) {
        const int offset = m - 1 - model_.dark_offsets[s < seam() ? 0 : 1];
        const float gain = model_.gains[s];
        if (gain < 0.01f) {
            samples[s] =
                static_cast<std::uint16_t>(offset / 2);  // a dead position reads a constant
            continue;
        }
        const float brightness = column >= 0 ? scene_.at(column, s) : 0.0f;
        const int signal_free = m - 1 - corrected_value(brightness, m);
        const long raw = std::lround(offset - signal_free / static_cast<double>(gain));
        samples[s] = static_cast<std::uint16_t>(std::clamp<long>(raw, 1, m - 1));
    }
}

void PhantomScan::write_line(int index, std::uint16_t* out) const {
    std::array<std::uint16_t, kSamplesPerLine> image{};
    image_line(lines_[index].column >= 0 ? lines_[index].column : -1, image.data());
    if (!plan_.forward) std::reverse(image.begin(), image.end());
    // Undo the forward tap order: pair k is (first tap k, second tap k).
    for (int k = 0; k < kTapPairs; ++k) {
        out[2 * k] = image[k];
        out[2 * k + 1] = image[kTapPairs + k];
    }
    if (plan_.mode == 2) {
        out[kSamplesPerLine] = 0;
        // Bits 0-9 carry a running count, as a distraction for anyone reading more than
        // the control bits.
        out[kSamplesPerLine + 1] =
            static_cast<std::uint16_t>((lines_[index].control << 10) | (index & 0x3FF));
    }
}

std::vector<int> PhantomScan::corrected_line(int column) const {
    std::vector<int> line(kSamplesPerLine);
    for (int s = 0; s < kSamplesPerLine; ++s)
        line[s] = corrected_value(scene_.at(column, s), model_.sample_range);
    return line;
}

}  // namespace np::phantom
