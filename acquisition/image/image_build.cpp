#include "acquisition/image/image_build.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "acquisition/image/display_table.h"
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

// Eight pixels of one output row packed into a word, so that the row receives whole
// words instead of single bytes read back through memory.
std::uint64_t pixel_word(const std::uint16_t* const* source, int first_line, int s,
                         const DisplayTable& table, int top) {
    std::uint64_t word = 0;
    for (int k = 0; k < 8; ++k) {
        const int v = std::min<int>(source[first_line - k][s], top);
        word |= static_cast<std::uint64_t>(table[v]) << (8 * k);
    }
    return word;
}

void transpose_block(PixelRows rows, RawImage raw, int first, int last, const DisplayTable& table,
                     int top) {
    const int count = last - first;
    const std::uint16_t* source[kTransposeBlock];
    for (int i = 0; i < count; ++i)
        source[i] = raw.line(first + i);
    const int words = count / 8;
    for (int s = 0; s < kSamplesPerLine; ++s) {
        std::uint8_t* row =
            rows.bits + static_cast<std::ptrdiff_t>(kSamplesPerLine - 1 - s) * rows.stride;
        // Byte j of the run is line count - 1 - j of the block.
        std::uint8_t* run = row + raw.lines - last;
        for (int w = 0; w < words; ++w) {
            const std::uint64_t word = pixel_word(source, count - 1 - 8 * w, s, table, top);
            std::memcpy(run + 8 * w, &word, sizeof word);
        }
        for (int j = 8 * words; j < count; ++j)
            run[j] = table[std::min<int>(source[count - 1 - j][s], top)];
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
    // A line is final once its successor has been through the line steps: spike repair
    // of line l reads line l + 1 as those steps leave it and changes line l alone. The
    // display histogram then counts line l while it is still in cache.
    const bool spikes = (bits & post_process::kSpikeRepair) && have_sums;
    const int n = histogram_lines(record, settings.lines_out_of_histogram, raw.lines);
    const bool counting = record.program != kPlainScaleProgram;
    DisplayHistogram histogram(corrector, record.program);
    auto finish_line = [&](int l) {
        if (spikes && l >= 1 && l + 1 < raw.lines) repair_line_spike(raw, top, sums, l);
        if (counting && l < n) histogram.count_line(raw.line(l));
    };
    for (int l = 0; l < raw.lines; ++l) {
        std::uint16_t* line = raw.line(l);
        if (balancing) balance_line(line, seam, top, balance);
        fill_seam(line, seam, fill);
        if (have_sums) sums[l] = line_sum(line);
        if (l >= 1) finish_line(l - 1);
    }
    if (raw.lines >= 1) finish_line(raw.lines - 1);

    table =
        display_table_from(histogram.counts(), n,
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
