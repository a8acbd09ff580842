// The live preview drawn while the scan runs: every f-th line and every f-th sample
// of the raw image, through the display table of the lines received so far.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "acquisition/image/flat_field.h"
#include "acquisition/transfer/transfer_layout.h"

namespace np::transfer {

struct PreviewGeometry {
    int factor = 6;  // f: 6, or 8 for records with 4 sections
    int offset = 0;  // columns left free on the right to centre the planned image

    int width() const { return kMaxImageLines / factor; }
    int height() const { return kSamplesPerLine / factor + 1; }
    int stride() const { return (width() + 3) & ~3; }
};

// Columns left on each side of the planned image in the preview.
int preview_offset(int factor, int planned_length);

struct FlatField {
    int sample_range = 1024;  // M
    std::array<std::uint16_t, 2> dark_offsets{};
    const float* gains = nullptr;  // kSamplesPerLine; null: all 1
};

// Computes the display table from the first `lines` raw lines.
using DisplayTableFn =
    std::function<void(const std::uint16_t* raw, int lines, std::uint8_t* table)>;

// What the shell sends after an update.
struct PreviewMessages {
    bool announce_offset = false;      // 1625 to the host with the offset as lParam
    std::optional<int> columns_drawn;  // 1625 with this lParam (columns + offset)
};

class LivePreview {
  public:
    // `pixels`: bottom-up rows of geometry.height() x geometry.stride() bytes.
    // `display_table`: 4096 entries owned by the driver.
    LivePreview(PreviewGeometry geometry, std::uint8_t* pixels, FlatField flat_field,
                std::uint8_t* display_table, DisplayTableFn compute_table);

    PreviewMessages update(const std::uint16_t* raw, int first_line, int line_count);

  private:
    void draw_line(const std::uint16_t* line, int index);
    std::uint8_t pixel(std::uint16_t value, int sample) const;

    PreviewGeometry geometry_;
    std::uint8_t* pixels_;
    // The image build's corrected(v, s), so that a damaged gain ends at the edges of the
    // table here as it does there.
    image::Corrector corrector_;
    std::uint8_t* display_table_;
    DisplayTableFn compute_table_;
    // Each acquisition starts with a fresh table and an empty preview.
    bool table_pending_ = true;
    int lines_drawn_ = 0;
};

}  // namespace np::transfer
