// Test helpers for whole acquisitions under Wine: Scanlink_sim with an adaptation module
// beside the test program on the phantom's mask, the simulated card playing fast; and
// the check that each section of a delivered image shows its part of the phantom's
// scene in exactly its place.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "acquisition/testing/host_bench.h"
#include "common/acquisition_record.h"
#include "sim/phantom/phantom_scan.h"

namespace np::testing {

// The raw dumps the driver writes at each acquisition.
inline constexpr const char* kRawDumps[3] = {"c:\\Buffer1.raw", "c:\\Buffer2.raw",
                                             "c:\\Buffer3.raw"};

// Scanlink_sim with one adaptation module on the phantom's mask, for whole acquisitions.
class AcquisitionBench : public ScanlinkBench {
  public:
    explicit AcquisitionBench(const char* adaptation, std::uint32_t mode = 1)
        : ScanlinkBench(
              adaptation,
              phantom::mask_file_bytes(phantom::make_sensor_model(mode == 2 ? 4096 : 1024)), mode) {
    }

    // One PANOWAITFORIMAGE, with no dump left from an earlier one.
    int acquire() {
        host().clear();
        for (const char* dump : kRawDumps)
            ::DeleteFileA(dump);
        threads_before_ = thread_count();
        return driver().PANOWAITFORIMAGE();
    }
    std::pair<int, int> size() const { return driver().size(); }
    std::pair<int, int> preview_size() const { return driver().preview_size(); }
    // The host's copy of the record; valid stays 0 when the driver has none.
    AcquisitionRecord record() const {
        AcquisitionRecord record{};
        driver().PANOGETCOMMDATA(&record);
        return record;
    }
    const std::vector<HostMessage>& messages() const { return host().messages(); }
    long no_image_code() const { return host().last_no_image_code(); }
    const std::vector<std::uint8_t>& image() const { return host().image(); }
    const HostMessage* image_message() const { return host().image_message(); }
    int threads_before() const { return threads_before_; }
    long count(UINT message) const {
        return std::count_if(messages().begin(), messages().end(),
                             [message](const HostMessage& m) { return m.message == message; });
    }

  private:
    int threads_before_ = 0;
};

// Correlation of image columns [first, last] with the scene `shift` columns further, over
// the rows the sensor sees cleanly: away from the seam, the dead positions and the logo.
inline double scene_correlation(const DeliveredImage& image, const phantom::Scene& scene,
                                const phantom::SensorModel& model, int first, int last, int shift,
                                int seam) {
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0, n = 0;
    for (int row = 2; row < 1242; row += 3) {
        bool clean = std::abs(row - seam) > 2;
        for (int dead : model.dead_positions)
            clean &= std::abs(row - dead) > 1;
        for (int column = first; clean && column <= last; column += 2) {
            if (column + shift < 0 || column + shift >= scene.columns) continue;
            if (row > 1180 && column > image.width - 60) continue;
            const double x = scene.at(column + shift, row), y = image.at(column, row);
            sx += x, sy += y, sxx += x * x, syy += y * y, sxy += x * y, n += 1;
        }
    }
    const double cov = sxy / n - sx / n * sy / n;
    return cov / std::sqrt((sxx / n - sx / n * sx / n) * (syy / n - sy / n * sy / n));
}

// Each section of the image (widths from its left edge) shows its part of the scene, and
// in exactly its place: a section window off by a line would shift it against the scene.
inline void expect_sections_in_place(const DeliveredImage& image, const std::vector<int>& widths,
                                     const phantom::SensorModel& model, int seam = 621) {
    int columns = -kSectionGap;
    for (int w : widths)
        columns += w + kSectionGap;
    const phantom::Scene scene = phantom::make_panoramic_scene(columns, 1);
    int start = 0;
    for (std::size_t k = 0; k < widths.size(); ++k) {
        const int first = start + 4, last = start + widths[k] - 5;
        const double in_place = scene_correlation(image, scene, model, first, last, 0, seam);
        EXPECT_GT(in_place, 0.99) << "section " << k;
        for (int shift : {-3, -2, -1, 1, 2, 3})
            EXPECT_GT(in_place, scene_correlation(image, scene, model, first, last, shift, seam))
                << "section " << k << " fits the scene better shifted by " << shift;
        start += widths[k] + kSectionGap;
    }
}

}  // namespace np::testing
