#include "acquisition/image/image_build.h"

#include <algorithm>
#include <new>
#include <vector>

#include "acquisition/image/line_steps.h"

namespace np::image {
namespace {

// Lines handled together by the transposition, so that their samples stay in cache
// while each output row receives one contiguous run of pixels.
constexpr int kTransposeBlock = 32;

void fill_seams(RawImage raw, int seam, SeamFill fill) {
    for (int l = 0; l < raw.lines; ++l)
        fill_seam(raw.line(l), seam, fill);
}

// The two line steps share the line sums; without memory for them both are skipped.
std::vector<std::uint32_t> sums_for_line_steps(RawImage raw) {
    try {
        return line_sums(raw);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

}  // namespace

int histogram_lines(const AcquisitionRecord& record, int lines_out_of_histogram, int image_lines) {
    const int n = record.sections[0].width - lines_out_of_histogram;
    return std::clamp(n, 0, image_lines);
}

void transpose_into(PixelRows rows, RawImage raw, const DisplayTable& table, int top) {
    const int length = raw.lines;
    for (int first = 0; first < length; first += kTransposeBlock) {
        const int last = std::min(first + kTransposeBlock, length);
        for (int s = 0; s < kSamplesPerLine; ++s) {
            std::uint8_t* row =
                rows.bits + static_cast<std::ptrdiff_t>(kSamplesPerLine - 1 - s) * rows.stride;
            for (int l = first; l < last; ++l) {
                const int v = std::min<int>(raw.line(l)[s], top);
                row[length - 1 - l] = table[v];
            }
        }
    }
}

void build_image(RawImage raw, const AcquisitionRecord& record, const FlatFieldMask& mask,
                 const ImageSettings& settings, PixelRows rows, DisplayTable& table) {
    const std::uint32_t bits = settings.post_process;
    const Corrector corrector(mask, settings.mode, settings.mirrored);
    const int top = corrector.top();
    const int seam = corrector.seam();

    const SeamSums sums = flat_field(raw, record, corrector, nullptr);
    if (bits & post_process::kHalfBalancing)
        balance_halves(raw, seam, top, balance_table(sums, top, true));
    fill_seams(raw, seam, seam_fill_for(bits, settings.mirrored));

    std::vector<std::uint32_t> line_sums;
    const bool line_steps =
        (bits & (post_process::kSpikeRepair | post_process::kLineNormalisation)) != 0;
    if (line_steps) line_sums = sums_for_line_steps(raw);
    const bool have_sums = line_steps && static_cast<int>(line_sums.size()) == raw.lines;
    if ((bits & post_process::kSpikeRepair) && have_sums) repair_line_spikes(raw, top, line_sums);

    const int n = histogram_lines(record, settings.lines_out_of_histogram, raw.lines);
    table = compute_display_table(
        raw.samples, n, mask,
        {record.program, settings.image_type, settings.mode, settings.mirrored});

    if ((bits & post_process::kLineNormalisation) && have_sums)
        normalise_lines(raw, top, line_sums);
    transpose_into(rows, raw, table, top);
}

}  // namespace np::image
