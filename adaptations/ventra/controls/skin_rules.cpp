#include "adaptations/ventra/controls/skin_rules.h"

#include <algorithm>
#include <cmath>

namespace np::ventra {

namespace {

bool pixel(const MaskBits& mask, int x, int y) {
    const uint8_t byte = mask.bits[static_cast<std::size_t>(y) * mask.row_bytes + x / 8];
    return (byte & (0x80 >> (x % 8))) != 0;
}

// A short or inconsistent bit buffer must not be read past its end.
bool holds_rows(const MaskBits& mask) {
    return mask.width > 0 && mask.height > 0 && mask.row_bytes * 8 >= mask.width &&
           mask.bits.size() >= static_cast<std::size_t>(mask.row_bytes) * mask.height;
}

}  // namespace

bool is_monochrome(const MaskBits& mask) { return mask.planes == 1 && mask.bits_per_pixel == 1; }

std::vector<TransparentRun> transparent_runs(const MaskBits& mask, int window_width,
                                             int window_height) {
    std::vector<TransparentRun> runs;
    if (!is_monochrome(mask) || !holds_rows(mask)) return runs;
    const bool transparent = pixel(mask, 0, 0);
    const int width = std::min(window_width, mask.width);
    const int height = std::min(window_height, mask.height);
    for (int y = 0; y < height; ++y) {
        int x = 0;
        while (x < width) {
            if (pixel(mask, x, y) != transparent) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < width && pixel(mask, x, y) == transparent) ++x;
            runs.push_back({y, start, x});
        }
    }
    return runs;
}

int state_after_press(ControlKind kind, int state, bool set_by_console_only) {
    switch (kind) {
        case ControlKind::two_state: return state == 0 ? 1 : 0;
        case ControlKind::three_state: return set_by_console_only ? state : (state + 1) % 3;
        default: return state;
    }
}

int shown_pair(ControlKind kind, int state, bool held) {
    switch (kind) {
        case ControlKind::lamp:
        case ControlKind::two_state:
        case ControlKind::three_state: return state;
        case ControlKind::push:
        case ControlKind::auto_repeat: return held ? 1 : 0;
        default: return 0;
    }
}

int bitmaps_taken(ControlKind kind) {
    switch (kind) {
        case ControlKind::three_state: return 6;
        case ControlKind::value_display: return 2;
        case ControlKind::caption: return 0;
        default: return 4;
    }
}

AutoRepeat::Step AutoRepeat::button_down() {
    held_ = true;
    return Step::start_timer;
}

AutoRepeat::Step AutoRepeat::tick() const { return held_ ? Step::command : Step::stop_timer; }

AutoRepeat::Step AutoRepeat::button_up() {
    held_ = false;
    return Step::stop_timer;
}

Point centred_text_origin(int control_width, int control_height, int text_length,
                          int average_char_width, int font_height) {
    return {(control_width - text_length * average_char_width) / 2, (control_height - font_height) / 2};
}

int fitted_font_height(int font_height, int control_width, int control_height, int text_width,
                       int text_height) {
    if (text_width <= control_width && text_height <= control_height) return font_height;
    int fitted = font_height;
    if (text_width > control_width) fitted = std::min(fitted, font_height * control_width / text_width);
    if (text_height > control_height)
        fitted = std::min(fitted, font_height * control_height / text_height);
    return std::max(6, fitted);
}

Point kept_inside(Point origin, int control_width, int control_height, int text_width,
                  int text_height) {
    return {std::clamp(origin.x, 0, std::max(0, control_width - text_width)),
            std::clamp(origin.y, 0, std::max(0, control_height - text_height))};
}

ReferenceSize reference_size(int screen_width, int screen_height) {
    if (screen_width == 800 && screen_height == 600) return {800, 600};
    return {1024, 768};
}

Point console_origin(ReferenceSize reference, int screen_width, int screen_height) {
    if (reference.width == 800) return {0, 0};
    return {(screen_width - reference.width) / 2 + 1, (screen_height - reference.height) / 2};
}

Point place(double fx, double fy, ReferenceSize reference) {
    // The fractions are pixel positions at 1024 x 768 rounded to four digits; rounding
    // brings them back onto those pixels.
    return {static_cast<int>(std::lround(fx * reference.width)),
            static_cast<int>(std::lround(fy * reference.height))};
}

}  // namespace np::ventra
