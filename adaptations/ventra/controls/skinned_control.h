// The console's skinned controls: dialog controls subclassed to paint themselves from
// the module's bitmaps over the window's background, shaped by their masks.
#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <vector>

#include "adaptations/ventra/controls/skin_rules.h"
#include "common/win32_handles.h"

namespace np::ventra {

inline constexpr char mask_format_message[] = "Format du masque incompatible.";

// Builds the region of `window` from a monochrome mask (the pixels that differ from its
// top-left pixel) and applies it with redraw. A mask of another format is refused with
// a message box and leaves the window as it was. Returns whether a region was applied.
bool apply_mask_region(HWND window, HBITMAP mask);

// A bold Arial font of the given height, as every skinned text uses.
UniqueGdiObject make_skin_font(int height, const char* face = "Arial");

class SkinnedControl {
  public:
    SkinnedControl(ControlKind kind, bool set_by_console_only = false)
        : kind_(kind), console_only_(set_by_console_only) {}
    ~SkinnedControl();
    SkinnedControl(const SkinnedControl&) = delete;
    SkinnedControl& operator=(const SkinnedControl&) = delete;

    // Takes over the dialog control `id` of `dialog`; false if there is none.
    bool attach(HWND dialog, int id);
    HWND window() const { return window_; }

    // Loads the control's bitmaps from `module` (images and masks alternating, in the
    // order of its kind), resizes it to its first image and shapes it by its first mask.
    bool set_bitmaps(HINSTANCE module, std::span<const int> ids);

    void set_state(int state);
    int state() const { return state_; }
    void set_text(std::string text);
    void clear() { set_text({}); }
    const std::string& text() const { return text_; }
    void set_font(int height, const char* face = "Arial");
    void set_text_colour(COLORREF colour);

    // Paints the background from `bitmap` as it lies under `owner`'s client area instead
    // of copying it from the control's own device context.
    void set_background(HWND owner, HBITMAP bitmap);

  private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
    void paint();
    void draw(HDC target, int width, int height);
    void copy_background(HDC target, HDC into, int width, int height);
    void draw_text(HDC into, int width, int height);
    void pressed();
    void detach();
    bool held() const;

    ControlKind kind_;
    bool console_only_;
    HWND window_ = nullptr;
    WNDPROC original_ = nullptr;
    std::vector<UniqueGdiObject> bitmaps_;
    UniqueGdiObject font_;
    int font_height_ = 0;
    const char* font_face_ = "Arial";
    int state_ = 0;
    std::string text_;
    COLORREF text_colour_ = RGB(230, 249, 255);
    HWND background_owner_ = nullptr;
    HBITMAP background_ = nullptr;
    AutoRepeat repeat_;
};

}  // namespace np::ventra
