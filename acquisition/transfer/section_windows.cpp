#include "acquisition/transfer/section_windows.h"

#include <algorithm>

#include "acquisition/record/record_rules.h"

namespace np::transfer {

int SectionWindows::window_of(int line) const {
    for (int k = 0; k < count; ++k)
        if (line >= windows[k].first && line <= windows[k].last) return k;
    return -1;
}

SectionWindows section_windows(const AcquisitionRecord& record,
                               const std::array<int, kMaxSections>& gaps) {
    SectionWindows result;
    result.count = record::usable_section_count(record);
    // 64-bit sums so that absurd gaps from a module cannot overflow.
    long long first = 0;
    for (int k = 0; k < result.count; ++k) {
        const long long width = record.sections[k].width;
        first += 2LL * gaps[k];
        const long long last = first + width - 1;
        result.windows[k].first = static_cast<int>(std::clamp<long long>(first, -1, 1 << 30));
        result.windows[k].last = static_cast<int>(std::clamp<long long>(last, -2, 1 << 30));
        first += width;
    }
    return result;
}

}  // namespace np::transfer
