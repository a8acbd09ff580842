#include "adaptations/ventra/record/record_rules.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace np::ventra {
namespace {

constexpr int kGap = 10;

struct Span {
    int x, w;
    bool inside(int width) const { return x >= 0 && w >= 0 && x <= width - w; }
};

void mirror_rows(const ImageRows& image) {
    for (int y = 0; y < image.height; ++y) {
        std::uint8_t* row = image.pixels + static_cast<std::ptrdiff_t>(y) * image.stride;
        std::reverse(row, row + image.width);
    }
}

std::vector<std::uint8_t> copy_columns(const ImageRows& image, Span s) {
    std::vector<std::uint8_t> columns(static_cast<std::size_t>(s.w) * image.height);
    for (int y = 0; y < image.height; ++y)
        std::memcpy(columns.data() + static_cast<std::size_t>(y) * s.w,
                    image.pixels + static_cast<std::ptrdiff_t>(y) * image.stride + s.x, s.w);
    return columns;
}

void paste_columns(const ImageRows& image, Span s, const std::vector<std::uint8_t>& columns) {
    for (int y = 0; y < image.height; ++y)
        std::memcpy(image.pixels + static_cast<std::ptrdiff_t>(y) * image.stride + s.x,
                    columns.data() + static_cast<std::size_t>(y) * s.w, s.w);
}

}  // namespace

int transfer_timing(int section_count, std::span<int, kMaxSections> gaps) {
    int written = kMaxSections, timeout = 6000;
    switch (section_count) {
        case 1: written = 1, timeout = 300; break;
        case 2: written = 2, timeout = 3000; break;
        case 4: written = 4, timeout = 90000; break;
        default: break;
    }
    std::fill_n(gaps.begin(), written, kGap);
    return timeout;
}

float rounded_exposure_time(float seconds) {
    return static_cast<float>(std::floor(static_cast<double>(seconds) * 10.0 + 0.5) * 0.1);
}

void recombine_four_views(ImageRows image, AcquisitionRecord& record) {
    if (record.section_count != 4) return;
    const Span p{record.sections[1].start, record.sections[1].width};
    const Span q{record.sections[2].start, record.sections[2].width};
    const Span r{record.sections[3].start, record.sections[3].width};
    // Where the views go: view 2 takes the place of view 1, and so on round.
    const Span q_to{p.x, q.w};
    const Span r_to{q.x + q.w - p.w, r.w};
    const Span p_to{r.x + r.w - p.w, p.w};
    const int clear_from = p.x;
    for (const Span s : {p, q, r, q_to, r_to, p_to})
        if (!s.inside(image.width)) return;
    if (image.stride < image.width || clear_from > image.stride) return;

    mirror_rows(image);
    const auto p_columns = copy_columns(image, p);
    const auto q_columns = copy_columns(image, q);
    const auto r_columns = copy_columns(image, r);
    record.sections[1].width = static_cast<std::int16_t>(q_to.w);
    record.sections[2] = {static_cast<std::int16_t>(r_to.x), static_cast<std::int16_t>(r_to.w)};
    record.sections[3] = {static_cast<std::int16_t>(p_to.x), static_cast<std::int16_t>(p_to.w)};
    for (int y = 0; y < image.height; ++y)
        std::memset(image.pixels + static_cast<std::ptrdiff_t>(y) * image.stride + clear_from, 0,
                    static_cast<std::size_t>(image.stride - clear_from));
    paste_columns(image, q_to, q_columns);
    paste_columns(image, r_to, r_columns);
    paste_columns(image, p_to, p_columns);
    mirror_rows(image);
}

}  // namespace np::ventra
