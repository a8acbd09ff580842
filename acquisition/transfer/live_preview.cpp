#include "acquisition/transfer/live_preview.h"

#include <algorithm>
#include <utility>

namespace np::transfer {
namespace {

// The display table needs this many lines before it means anything.
constexpr int kLinesBeforeTable = 50;

int ceil_div(int a, int b) {
    return (a + b - 1) / b;
}

// The preview shows dead positions uncorrected: their gain counts as 1. Every sample it
// draws lies clear of the seam, on the side the image build corrects it from.
image::FlatFieldMask preview_mask(const FlatField& flat_field) {
    image::FlatFieldMask mask{};
    mask.dark_offset[0] = flat_field.dark_offsets[0];
    mask.dark_offset[1] = flat_field.dark_offsets[1];
    for (int s = 0; s < kSamplesPerLine; ++s) {
        const float gain = flat_field.gains ? flat_field.gains[s] : 1.0f;
        mask.gain[s] = gain >= 0.01f ? gain : 1.0f;
    }
    return mask;
}

image::TransferMode image_mode(int m) {
    return m == sample_range(TransferMode::bits12) ? image::TransferMode::bits12
                                                   : image::TransferMode::bits10;
}

}  // namespace

int preview_offset(int factor, int planned_length) {
    const unsigned difference = static_cast<unsigned>(kMaxImageLines / factor) -
                                static_cast<unsigned>(planned_length / factor);
    return static_cast<int>(difference >> 1);
}

LivePreview::LivePreview(PreviewGeometry geometry, std::uint8_t* pixels, FlatField flat_field,
                         std::uint8_t* display_table, DisplayTableFn compute_table)
    : geometry_(geometry),
      pixels_(pixels),
      corrector_(preview_mask(flat_field), image_mode(flat_field.sample_range), false),
      display_table_(display_table),
      compute_table_(std::move(compute_table)) {}

std::uint8_t LivePreview::pixel(std::uint16_t value, int sample) const {
    if (value == 0) return 0;
    return display_table_[corrector_(value, sample)];
}

void LivePreview::draw_line(const std::uint16_t* line, int index) {
    const int f = geometry_.factor;
    const int column = geometry_.width() - 1 - geometry_.offset - index / f;
    // The last lines of a full 4000-line image fall just past the left edge.
    if (column < 0 || column >= geometry_.width()) return;
    const int height = geometry_.height();
    const int rows = std::min(ceil_div(kSamplesPerLine, f), height);
    for (int r = 0; r < rows; ++r) {
        const int sample = r * f;
        const int stored_row = height - 1 - r;
        pixels_[stored_row * geometry_.stride() + column] = pixel(line[sample], sample);
    }
}

PreviewMessages LivePreview::update(const std::uint16_t* raw, int first_line, int line_count) {
    PreviewMessages messages;
    if (line_count <= 0) return messages;
    const int f = geometry_.factor;
    const int end = first_line + line_count;
    if (f * geometry_.offset + end > kMaxImageLines) return messages;
    if (end < kLinesBeforeTable) {
        table_pending_ = true;
        return messages;
    }
    if (table_pending_) {
        lines_drawn_ = 0;
        compute_table_(raw, end, display_table_);
        messages.announce_offset = geometry_.offset != 0;
        table_pending_ = false;
    }
    for (int line = ceil_div(lines_drawn_, f) * f; line < end; line += f)
        draw_line(raw + static_cast<std::size_t>(line) * kSamplesPerLine, line);
    lines_drawn_ = end;
    const int lparam = ceil_div(end, f) + geometry_.offset;
    if (lparam >= 1) messages.columns_drawn = lparam;
    return messages;
}

}  // namespace np::transfer
