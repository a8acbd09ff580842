#include "acquisition/image/image_build.h"

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <memory>
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
// A tile of grey lines is moved into the rows sixteen by sixteen bytes; sixteen such
// blocks side by side fill four cache lines of each row, so every row is visited
// once per 256 lines (each visit costs a TLB miss, as the rows lie a page apart,
// and waits on the row's memory). The tile, 311 KB, still stays in the L2 cache;
// taller tiles were slower.
constexpr int kBlockLines = 16;
constexpr int kTileBlocks = 16;
constexpr int kTileLines = kBlockLines * kTileBlocks;

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

// Pixels of one output row packed into a machine word (eight on 64-bit targets, four
// on 32-bit ones, where a wider word would take register pairs), so that the row
// receives whole words instead of single bytes read back through memory.
using PixelWord = std::uintptr_t;
constexpr int kWordPixels = sizeof(PixelWord);

PixelWord pixel_word(const std::uint16_t* const* source, int first_line, int s,
                     const DisplayTable& table, int top) {
    PixelWord word = 0;
    for (int k = 0; k < kWordPixels; ++k) {
        const int v = std::min<int>(source[first_line - k][s], top);
        word |= static_cast<PixelWord>(table[v]) << (8 * k);
    }
    return word;
}

void transpose_block(PixelRows rows, RawImage raw, int first, int last, const DisplayTable& table,
                     int top) {
    const int count = last - first;
    const std::uint16_t* source[kTransposeBlock];
    for (int i = 0; i < count; ++i)
        source[i] = raw.line(first + i);
    const int words = count / kWordPixels;
    for (int s = 0; s < kSamplesPerLine; ++s) {
        std::uint8_t* row =
            rows.bits + static_cast<std::ptrdiff_t>(kSamplesPerLine - 1 - s) * rows.stride;
        // Byte j of the run is line count - 1 - j of the block.
        std::uint8_t* run = row + raw.lines - last;
        for (int w = 0; w < words; ++w) {
            const PixelWord word = pixel_word(source, count - 1 - kWordPixels * w, s, table, top);
            std::memcpy(run + kWordPixels * w, &word, sizeof word);
        }
        for (int j = kWordPixels * words; j < count; ++j)
            run[j] = table[std::min<int>(source[count - 1 - j][s], top)];
    }
}

// Grey levels of a tile's lines, one line after the other, the last line of the
// group first: the lookups run straight along each line, and the transposition then
// moves the bytes sixteen at a time.
using GreyTile = std::array<std::array<std::uint8_t, kSamplesPerLine>, kTileLines>;

void grey_line(const std::uint16_t* line, const DisplayTable& table, int top, std::uint8_t* out) {
    std::uint16_t limited[kSamplesPerLine];
    limit_samples(line, limited, kSamplesPerLine, top);
#pragma GCC unroll 4
    for (int s = 0; s < kSamplesPerLine; ++s)
        out[s] = table[limited[s]];
}

// Sixteen rows of sixteen bytes transposed: each of the four rounds interleaves row i
// with row i + 8, which rotates the bits of (row, column) by one place.
void transpose_16x16(__m128i (&r)[16]) {
    for (int round = 0; round < 4; ++round) {
        __m128i next[16];
        for (int i = 0; i < 8; ++i) {
            next[2 * i] = _mm_unpacklo_epi8(r[i], r[i + 8]);
            next[2 * i + 1] = _mm_unpackhi_epi8(r[i], r[i + 8]);
        }
        for (int i = 0; i < 16; ++i)
            r[i] = next[i];
    }
}

// Sample s of the tile's first `blocks` x 16 rows becomes stored row 1243 - s from
// `column` on, the tile's rows left to right.
void store_tile(PixelRows rows, const GreyTile& tile, int blocks, int column) {
    constexpr int kWide = kSamplesPerLine / kBlockLines * kBlockLines;
    auto row_of = [&](int s) {
        return rows.bits + static_cast<std::ptrdiff_t>(kSamplesPerLine - 1 - s) * rows.stride +
               column;
    };
    for (int s0 = 0; s0 < kWide; s0 += kBlockLines) {
        for (int b = 0; b < blocks; ++b) {
            __m128i r[kBlockLines];
            for (int j = 0; j < kBlockLines; ++j)
                r[j] = _mm_loadu_si128(
                    reinterpret_cast<const __m128i*>(tile[b * kBlockLines + j].data() + s0));
            transpose_16x16(r);
            for (int k = 0; k < kBlockLines; ++k)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(row_of(s0 + k) + b * kBlockLines),
                                 r[k]);
        }
    }
    for (int s = kWide; s < kSamplesPerLine; ++s) {
        std::uint8_t* row = row_of(s);
        for (int j = 0; j < blocks * kBlockLines; ++j)
            row[j] = tile[j][s];
    }
}

// Lines [first, first + blocks x 16) scaled by their ratios (none when `ratios` is
// empty), then into the pixel rows.
void transpose_tile(PixelRows rows, RawImage raw, int first, int blocks, const DisplayTable& table,
                    int top, const std::vector<double>& ratios, GreyTile& tile) {
    const int count = blocks * kBlockLines;
    for (int j = 0; j < count; ++j) {
        const int l = first + count - 1 - j;
        if (j + kPrefetchLines < count) prefetch_line(raw.line(l - kPrefetchLines));
        if (!ratios.empty() && ratios[l] != 1.0) scale_line(raw.line(l), top, ratios[l]);
        grey_line(raw.line(l), table, top, tile[j].data());
    }
    store_tile(rows, tile, blocks, raw.lines - first - count);
}

// Every line scaled by its ratio (none when `ratios` is empty) and into the pixel
// rows: whole tiles, then one narrower tile of the remaining blocks, then the last
// few lines word by word.
void scale_and_transpose(PixelRows rows, RawImage raw, const DisplayTable& table, int top,
                         const std::vector<double>& ratios) {
    auto tile = or_empty([] { return std::make_unique<GreyTile>(); });
    int first = 0;
    while (tile && raw.lines - first >= kBlockLines) {
        const int blocks = std::min(kTileBlocks, (raw.lines - first) / kBlockLines);
        transpose_tile(rows, raw, first, blocks, table, top, ratios, *tile);
        first += blocks * kBlockLines;
    }
    for (; first < raw.lines; first += kTransposeBlock) {
        const int last = std::min(first + kTransposeBlock, raw.lines);
        if (!ratios.empty())
            for (int l = first; l < last; ++l)
                if (ratios[l] != 1.0) scale_line(raw.line(l), top, ratios[l]);
        transpose_block(rows, raw, first, last, table, top);
    }
}

}  // namespace

int histogram_lines(const AcquisitionRecord& record, int lines_out_of_histogram, int image_lines) {
    const int n = record.sections[0].width - lines_out_of_histogram;
    return std::clamp(n, 0, image_lines);
}

void transpose_into(PixelRows rows, RawImage raw, const DisplayTable& table, int top) {
    scale_and_transpose(rows, raw, table, top, {});
}

// The steps run in their order, but every step that works line by line without
// needing the whole image first shares one pass with its neighbours.
void build_image(RawImage raw, const AcquisitionRecord& record, const FlatFieldMask& mask,
                 const ImageSettings& settings, PixelRows rows, DisplayTable& table) {
    const std::uint32_t bits = settings.post_process;
    const Corrector corrector(mask, settings.mode, settings.mirrored);
    const int top = corrector.top();
    const int seam = corrector.seam();

    const SeamSums seam_sums = flat_field(raw, record, corrector);

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
        if (l + kPrefetchLines < raw.lines) prefetch_line(raw.line(l + kPrefetchLines));
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
    scale_and_transpose(rows, raw, table, top, ratios);
}

}  // namespace np::image
