// The rules of the console's skinned controls that need no window: which pixels of a
// mask are cut out of a control, how the buttons change state, where a display's text
// and a control go.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace np::ventra {

// A mask as the graphics system hands it over: rows top first, each `row_bytes` long,
// the most significant bit of a byte is the leftmost pixel.
struct MaskBits {
    int width = 0;
    int height = 0;
    int planes = 1;
    int bits_per_pixel = 1;
    int row_bytes = 0;
    std::span<const uint8_t> bits;
};

// Pixels [x1, x2) of row y have the transparent colour (that of the top-left pixel).
struct TransparentRun {
    int y = 0;
    int x1 = 0;
    int x2 = 0;
    bool operator==(const TransparentRun&) const = default;
};

bool is_monochrome(const MaskBits& mask);

// The maximal runs of transparent pixels of a monochrome mask, row by row, within a
// window of the given size. Empty when nothing is cut out.
std::vector<TransparentRun> transparent_runs(const MaskBits& mask, int window_width,
                                             int window_height);

// Button kinds that keep a state.
enum class ControlKind { lamp, two_state, three_state, push, auto_repeat, value_display, caption };

// The state a button takes when it is drawn pressed (once per click): a two-state button
// toggles, a three-state one advances and wraps, unless the console alone sets it; the
// other kinds keep their state.
int state_after_press(ControlKind kind, int state, bool set_by_console_only);

// Index of the (image, mask) pair a control shows: its state for lamps and state
// buttons, the pressed pair of a push button while it is held, else the first.
int shown_pair(ControlKind kind, int state, bool held);

// Number of bitmaps each kind takes (images and masks alternating).
int bitmaps_taken(ControlKind kind);

// The auto-repeat button: the mouse going down starts the repeat timer, each tick while
// it is held is a command, the mouse going up stops it, a double click adds one command.
class AutoRepeat {
  public:
    static constexpr unsigned timer_id = 100;
    static constexpr unsigned period_ms = 200;

    enum class Step { none, start_timer, stop_timer, command };

    Step button_down();
    Step tick() const;
    Step button_up();
    static Step double_click() { return Step::command; }
    bool held() const { return held_; }

  private:
    bool held_ = false;
};

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// Where a value display's text starts: centred by the font's average character width.
Point centred_text_origin(int control_width, int control_height, int text_length,
                          int average_char_width, int font_height);

// A text larger than its control ("12.5" in a display drawn for two digits, a caption
// longer than its label) is drawn in a smaller size of the same font rather than cut:
// the height scaled by the tighter of the two fits, never below 6. The height as it is
// when the text fits.
int fitted_font_height(int font_height, int control_width, int control_height, int text_width,
                       int text_height);

// Average widths undercount bold digits, so a text centred by them can run past the
// control's edge: the origin moved just enough to keep the measured text inside.
Point kept_inside(Point origin, int control_width, int control_height, int text_width,
                  int text_height);

// The console's reference size: 800 x 600 on a screen of exactly that size, else
// 1024 x 768.
struct ReferenceSize {
    int width = 0;
    int height = 0;
    bool operator==(const ReferenceSize&) const = default;
};
ReferenceSize reference_size(int screen_width, int screen_height);

// Top-left of the console window on the screen.
Point console_origin(ReferenceSize reference, int screen_width, int screen_height);

// A control placed at a fraction of the reference size.
Point place(double fx, double fy, ReferenceSize reference);

}  // namespace np::ventra
