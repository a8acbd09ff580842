#include "acquisition/image/image_build.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "acquisition/image/line_steps.h"

namespace np::image {
namespace {

// Lines handled together by the transposition, so that their samples stay in cache
// while each output row receives one contiguous run of pixels.
constexpr int kTransposeBlock = 32;

// The line sums and the normalisation ratios; without memory for them the line
// steps are skipped.
template <typename Make>
auto or_empty(Make make) -> decltype(make()) {
    try {
        return make();
    } catch (const std::bad_alloc&) {
        return {};
    }
}

void transpose_block(PixelRows rows, RawImage raw, int first, int last, const DisplayTable& table,
                     int top) {
    const int count = last - first;
    const std::uint16_t* source[kTransposeBlock];
    for (int i = 0; i < count; ++i)
        source[i] = raw.line(first + i);
    std::uint8_t run[kTransposeBlock];
    for (int s = 0; s < kSamplesPerLine; ++s) {
        for (int i = 0; i < count; ++i)
            run[count - 1 - i] = table[std::min<int>(source[i][s], top)];
        std::uint8_t* row =
            rows.bits + static_cast<std::ptrdiff_t>(kSamplesPerLine - 1 - s) * rows.stride;
        std::uint8_t* target = row + raw.lines - last;
        if (count == kTransposeBlock)
            std::memcpy(target, run, kTransposeBlock);
        else
            std::memcpy(target, run, count);
    }
}

}  // namespace

int histogram_lines(const AcquisitionRecord& record, int lines_out_of_histogram, int image_lines) {
    const int n = record.sections[0].width - lines_out_of_histogram;
    return std::clamp(n, 0, image_lines);
}

void transpose_into(PixelRows rows, RawImage raw, const DisplayTable& table, int top) {
    for (int first = 0; first < raw.lines; first += kTransposeBlock)
        transpose_block(rows, raw, first, std::min(first + kTransposeBlock, raw.lines), table, top);
}

// The steps run in their order, but every step that works line by line without
// needing the whole image first shares one pass with its neighbours.
void build_image(RawImage raw, const AcquisitionRecord& record, const FlatFieldMask& mask,
                 const ImageSettings& settings, PixelRows rows, DisplayTable& table) {
    const std::uint32_t bits = settings.post_process;
    const Corrector corrector(mask, settings.mode, settings.mirrored);
    const int top = corrector.top();
    const int seam = corrector.seam();

    const SeamSums seam_sums = flat_field(raw, record, corrector, nullptr);

    const bool balancing = (bits & post_process::kHalfBalancing) != 0;
    const BalanceTable balance = balance_table(seam_sums, top, balancing);
    const SeamFill fill = seam_fill_for(bits, settings.mirrored);
    const bool line_steps =
        (bits & (post_process::kSpikeRepair | post_process::kLineNormalisation)) != 0;
    std::vector<std::uint32_t> sums;
    if (line_steps) sums = or_empty([&] { return std::vector<std::uint32_t>(raw.lines); });
    const bool have_sums = line_steps && static_cast<int>(sums.size()) == raw.lines;
    for (int l = 0; l < raw.lines; ++l) {
        std::uint16_t* line = raw.line(l);
        if (balancing) balance_line(line, seam, top, balance);
        fill_seam(line, seam, fill);
        if (have_sums) sums[l] = line_sum(line);
    }
    if ((bits & post_process::kSpikeRepair) && have_sums) repair_line_spikes(raw, top, sums);

    const int n = histogram_lines(record, settings.lines_out_of_histogram, raw.lines);
    table = compute_display_table(
        raw.samples, n, mask,
        {record.program, settings.image_type, settings.mode, settings.mirrored});

    std::vector<double> ratios;
    if ((bits & post_process::kLineNormalisation) && have_sums)
        ratios = or_empty([&] { return normalisation_ratios(sums, top); });
    for (int first = 0; first < raw.lines; first += kTransposeBlock) {
        const int last = std::min(first + kTransposeBlock, raw.lines);
        if (!ratios.empty())
            for (int l = first; l < last; ++l)
                if (ratios[l] != 1.0) scale_line(raw.line(l), top, ratios[l]);
        transpose_block(rows, raw, first, last, table, top);
    }
}

}  // namespace np::image
