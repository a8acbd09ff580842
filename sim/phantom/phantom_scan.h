// The phantom as the card delivers it: each image line of the scene turned back
// into sensor samples (inverse flat field, tap interleave, scan direction), with
// the lines before and between the image sections of 10-bit mode and the control
// fields of 12-bit mode.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "common/acquisition_record.h"
#include "sim/phantom/scene.h"
#include "sim/phantom/sensor_model.h"

namespace np::phantom {

struct ScanPlan {
    int mode = 1;         // 1: 10-bit lines, 2: 12-bit lines with control field
    bool forward = true;  // scan direction ("Rotation" 1): no mirroring, forward taps
    std::vector<int> widths = {500, 500, 500, 500, 500};
    std::array<int, kMaxSections> gaps{10};  // line pairs before each section (10-bit)
    int trailing_lines = 10;                 // 10-bit: lines after the last section
};

// Image columns of a plan: sections with 50 blank columns between them.
int image_columns(const ScanPlan& plan);

// Corrected sample value the driver should compute for a scene brightness.
int corrected_value(float brightness, int sample_range);

class PhantomScan {
  public:
    PhantomScan(const Scene& scene, const SensorModel& model, ScanPlan plan);

    int line_count() const { return static_cast<int>(lines_.size()); }
    int line_words() const { return plan_.mode == 2 ? 1246 : kSamplesPerLine; }
    std::size_t line_bytes() const { return std::size_t(line_words()) * 2; }
    // Writes card line `index` (line_words() words).
    void write_line(int index, std::uint16_t* out) const;
    // The scene column a card line shows, or -1 for a line outside the sections.
    int scene_column(int index) const { return lines_[index].column; }
    int seam() const { return plan_.forward ? 621 : 622; }
    const ScanPlan& plan() const { return plan_; }

    // Expected image-ordered corrected line for a scene column.
    std::vector<int> corrected_line(int column) const;

  private:
    struct CardLine {
        int column;   // -1: outside the sections
        int control;  // 12-bit control field
    };
    void image_line(int column, std::uint16_t* samples) const;

    const Scene& scene_;
    const SensorModel& model_;
    ScanPlan plan_;
    std::vector<CardLine> lines_;
};

}  // namespace np::phantom
