// Where the console's controls go: fractions of the reference size, the same at
// 800 x 600 and 1024 x 768 (only the bitmaps differ), and the pages' own layouts as
// fractions of the page frame.
#pragma once

#include <span>

#include "adaptations/ventra/console/console_ids.h"
#include "adaptations/ventra/controls/skin_rules.h"

namespace np::ventra {

struct Placement {
    int id;
    double fx, fy;
};

std::span<const Placement> console_placements();
std::span<const Placement> page_placements(int page);

// A console control's top-left in the console's client area.
Point console_control_origin(const Placement& placement, ReferenceSize reference);

// A page control's top-left inside a page of the frame's size.
Point page_control_origin(const Placement& placement, int frame_width, int frame_height);

// The preview window: its size is a fraction of the reference size too.
struct Area {
    Point origin;
    int width, height;
};
Area preview_area(ReferenceSize reference);

}  // namespace np::ventra
