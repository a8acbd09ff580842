// Where the image sections lie in the card's line stream (10-bit mode).
#pragma once

#include <array>

#include "common/acquisition_record.h"

namespace np::transfer {

struct SectionWindow {
    int first = 0;  // card line numbers, counted from 0, inclusive
    int last = -1;
};

struct SectionWindows {
    int count = 0;
    std::array<SectionWindow, kMaxSections> windows{};

    // Index of the window holding the card line, or -1.
    int window_of(int line) const;
    bool empty() const { return count == 0; }
    const SectionWindow& front() const { return windows[0]; }
    const SectionWindow& back() const { return windows[count - 1]; }
};

// gaps[k]: line pairs the sensor delivers before section k.
SectionWindows section_windows(const AcquisitionRecord& record,
                               const std::array<int, kMaxSections>& gaps);

}  // namespace np::transfer
