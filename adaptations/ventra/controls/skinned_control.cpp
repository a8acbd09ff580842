#include "adaptations/ventra/controls/skinned_control.h"

#include <algorithm>
#include <utility>

namespace np::ventra {

namespace {

constexpr char property_name[] = "np.ventra.skin";
// destination OR (pattern AND source), with a white pattern: the masked image over the
// masked background.
constexpr DWORD merge_masked_image = 0x00EA02E9;
// destination AND NOT source: the image where its mask is black, black elsewhere.
constexpr DWORD keep_where_mask_black = 0x00220326;

struct Selected {
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~Selected() { ::SelectObject(dc_, previous_); }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;
    HDC dc_;
    HGDIOBJ previous_;
};

SIZE bitmap_size(HBITMAP bitmap) {
    BITMAP info{};
    ::GetObjectA(bitmap, sizeof info, &info);
    return {info.bmWidth, info.bmHeight};
}

bool is_button(ControlKind kind) {
    return kind == ControlKind::two_state || kind == ControlKind::three_state ||
           kind == ControlKind::push || kind == ControlKind::auto_repeat;
}

}  // namespace

bool apply_mask_region(HWND window, HBITMAP mask) {
    BITMAP info{};
    if (!::GetObjectA(mask, sizeof info, &info)) return false;
    MaskBits bits{info.bmWidth, info.bmHeight, info.bmPlanes, info.bmBitsPixel, info.bmWidthBytes, {}};
    if (!is_monochrome(bits)) {
        ::MessageBoxA(window, mask_format_message, nullptr, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    std::vector<uint8_t> buffer(static_cast<std::size_t>(info.bmWidthBytes) * info.bmHeight);
    if (::GetBitmapBits(mask, static_cast<LONG>(buffer.size()), buffer.data()) == 0) return false;
    bits.bits = buffer;
    RECT area{};
    ::GetWindowRect(window, &area);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const auto runs = transparent_runs(bits, width, height);
    if (runs.empty()) return false;
    UniqueGdiObject region(::CreateRectRgn(0, 0, width, height));
    for (const TransparentRun& run : runs) {
        UniqueGdiObject cut(::CreateRectRgn(run.x1, run.y, run.x2, run.y + 1));
        ::CombineRgn(static_cast<HRGN>(region.get()), static_cast<HRGN>(region.get()),
                     static_cast<HRGN>(cut.get()), RGN_XOR);
    }
    // The window owns its region from here on.
    if (!::SetWindowRgn(window, static_cast<HRGN>(region.get()), TRUE)) return false;
    region.release();
    return true;
}

UniqueGdiObject make_skin_font(int height, const char* face) {
    return UniqueGdiObject(::CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                         DEFAULT_PITCH | FF_SWISS, face));
}

SkinnedControl::~SkinnedControl() { detach(); }

bool SkinnedControl::attach(HWND dialog, int id) {
    detach();
    HWND control = ::GetDlgItem(dialog, id);
    if (!control) return false;
    window_ = control;
    ::SetPropA(window_, property_name, this);
    if (is_button(kind_)) {
        // The control paints itself; the button's own drawing goes to the owner, which
        // ignores it.
        const LONG_PTR style = ::GetWindowLongPtrA(window_, GWL_STYLE);
        ::SetWindowLongPtrA(window_, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
    }
    original_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SkinnedControl::procedure)));
    return true;
}

void SkinnedControl::detach() {
    if (!window_) return;
    if (::IsWindow(window_)) {
        ::SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        ::RemovePropA(window_, property_name);
    }
    if (kind_ == ControlKind::auto_repeat) ::KillTimer(window_, AutoRepeat::timer_id);
    window_ = nullptr;
    original_ = nullptr;
}

bool SkinnedControl::set_bitmaps(HINSTANCE module, std::span<const int> ids) {
    bitmaps_.clear();
    for (int id : ids) {
        UniqueGdiObject bitmap(::LoadBitmapA(module, MAKEINTRESOURCEA(id)));
        if (!bitmap) {
            bitmaps_.clear();
            return false;
        }
        bitmaps_.push_back(std::move(bitmap));
    }
    if (bitmaps_.size() < 2 || !window_) return false;
    const SIZE size = bitmap_size(static_cast<HBITMAP>(bitmaps_[0].get()));
    ::SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    apply_mask_region(window_, static_cast<HBITMAP>(bitmaps_[1].get()));
    return true;
}

void SkinnedControl::set_state(int state) {
    state_ = state;
    if (window_) ::InvalidateRect(window_, nullptr, FALSE);
}

void SkinnedControl::set_text(std::string text) {
    if (text == text_) return;
    text_ = std::move(text);
    // Also the window's own text, so that what a display shows can be read from outside.
    if (window_) {
        ::SetWindowTextA(window_, text_.c_str());
        ::InvalidateRect(window_, nullptr, FALSE);
    }
}

void SkinnedControl::set_font(int height, const char* face) {
    font_ = make_skin_font(height, face);
    font_height_ = height;
    font_face_ = face;
    if (window_) ::InvalidateRect(window_, nullptr, FALSE);
}

void SkinnedControl::set_text_colour(COLORREF colour) {
    text_colour_ = colour;
    if (window_) ::InvalidateRect(window_, nullptr, FALSE);
}

void SkinnedControl::set_background(HWND owner, HBITMAP bitmap) {
    background_owner_ = owner;
    background_ = bitmap;
}

LRESULT CALLBACK SkinnedControl::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = static_cast<SkinnedControl*>(::GetPropA(window, property_name));
    if (!self) return ::DefWindowProcA(window, message, wparam, lparam);
    return self->handle(message, wparam, lparam);
}

LRESULT SkinnedControl::handle(UINT message, WPARAM wparam, LPARAM lparam) {
    const WNDPROC original = original_;
    HWND window = window_;
    switch (message) {
        case WM_ERASEBKGND: return 1;
        case BM_GETCHECK: return state_;  // lamps and buttons tell their state
        case WM_PAINT: paint(); return 0;
        case BM_SETSTATE:
            if (wparam && !held()) pressed();
            ::InvalidateRect(window, nullptr, FALSE);
            break;
        case WM_LBUTTONDOWN:
            if (kind_ == ControlKind::auto_repeat && repeat_.button_down() == AutoRepeat::Step::start_timer)
                ::SetTimer(window, AutoRepeat::timer_id, AutoRepeat::period_ms, nullptr);
            break;
        case WM_LBUTTONUP:
            if (kind_ == ControlKind::auto_repeat) {
                repeat_.button_up();
                ::KillTimer(window, AutoRepeat::timer_id);
            }
            break;
        case WM_LBUTTONDBLCLK:
            if (kind_ == ControlKind::auto_repeat)
                ::SendMessageA(::GetParent(window), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(window), BN_CLICKED),
                               reinterpret_cast<LPARAM>(window));
            break;
        case WM_TIMER:
            if (kind_ == ControlKind::auto_repeat && wparam == AutoRepeat::timer_id) {
                if (repeat_.tick() == AutoRepeat::Step::command)
                    ::SendMessageA(::GetParent(window), WM_COMMAND,
                                   MAKEWPARAM(::GetDlgCtrlID(window), BN_CLICKED), reinterpret_cast<LPARAM>(window));
                else
                    ::KillTimer(window, AutoRepeat::timer_id);
                return 0;
            }
            break;
        case WM_NCDESTROY: {
            detach();
            return ::CallWindowProcA(original, window, message, wparam, lparam);
        }
        default: break;
    }
    return ::CallWindowProcA(original, window, message, wparam, lparam);
}

bool SkinnedControl::held() const {
    return is_button(kind_) && (::SendMessageA(window_, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
}

void SkinnedControl::pressed() {
    state_ = state_after_press(kind_, state_, console_only_);
}

void SkinnedControl::paint() {
    PAINTSTRUCT ps{};
    HDC target = ::BeginPaint(window_, &ps);
    RECT client{};
    ::GetClientRect(window_, &client);
    draw(target, client.right, client.bottom);
    ::EndPaint(window_, &ps);
}

void SkinnedControl::draw(HDC target, int width, int height) {
    UniqueDc off(::CreateCompatibleDC(target));
    UniqueGdiObject canvas(::CreateCompatibleBitmap(target, width, height));
    if (!off || !canvas) return;
    Selected canvas_in(off.get(), canvas.get());
    copy_background(target, off.get(), width, height);

    const int pair = shown_pair(kind_, state_, held());
    const std::size_t image_at = static_cast<std::size_t>(pair) * 2;
    if (image_at + 1 < bitmaps_.size()) {
        UniqueDc source(::CreateCompatibleDC(target));
        UniqueDc scratch_dc(::CreateCompatibleDC(target));
        UniqueGdiObject scratch(::CreateCompatibleBitmap(target, width, height));
        Selected scratch_in(scratch_dc.get(), scratch.get());
        ::SetTextColor(off.get(), RGB(0, 0, 0));
        ::SetBkColor(off.get(), RGB(255, 255, 255));
        ::SetTextColor(scratch_dc.get(), RGB(0, 0, 0));
        ::SetBkColor(scratch_dc.get(), RGB(255, 255, 255));
        {
            Selected mask_in(source.get(), bitmaps_[image_at + 1].get());
            ::BitBlt(off.get(), 0, 0, width, height, source.get(), 0, 0, SRCAND);
        }
        {
            Selected image_in(source.get(), bitmaps_[image_at].get());
            ::BitBlt(scratch_dc.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY);
        }
        {
            Selected mask_in(source.get(), bitmaps_[image_at + 1].get());
            ::BitBlt(scratch_dc.get(), 0, 0, width, height, source.get(), 0, 0, keep_where_mask_black);
        }
        Selected white(off.get(), ::GetStockObject(WHITE_BRUSH));
        ::BitBlt(off.get(), 0, 0, width, height, scratch_dc.get(), 0, 0, merge_masked_image);
    }
    if (kind_ == ControlKind::value_display || kind_ == ControlKind::caption) draw_text(off.get(), width, height);
    ::BitBlt(target, 0, 0, width, height, off.get(), 0, 0, SRCCOPY);
}

void SkinnedControl::copy_background(HDC target, HDC into, int width, int height) {
    if (background_ && background_owner_) {
        POINT origin{0, 0};
        ::MapWindowPoints(window_, background_owner_, &origin, 1);
        UniqueDc source(::CreateCompatibleDC(target));
        Selected background_in(source.get(), background_);
        ::BitBlt(into, 0, 0, width, height, source.get(), origin.x, origin.y, SRCCOPY);
        return;
    }
    ::BitBlt(into, 0, 0, width, height, target, 0, 0, SRCCOPY);
}

void SkinnedControl::draw_text(HDC into, int width, int height) {
    if (text_.empty()) return;
    HGDIOBJ font = font_ ? font_.get() : ::GetCurrentObject(into, OBJ_FONT);
    Selected font_in(into, font);
    const int length = static_cast<int>(text_.size());
    TEXTMETRICA metrics{};
    SIZE extent{};
    const auto measure = [&] {
        ::GetTextMetricsA(into, &metrics);
        ::GetTextExtentPoint32A(into, text_.c_str(), length, &extent);
    };
    measure();
    UniqueGdiObject smaller;
    const int fitted = fitted_font_height(font_height_, width, height, extent.cx, metrics.tmHeight);
    if (font_ && fitted != font_height_) {
        smaller = make_skin_font(fitted, font_face_);
        ::SelectObject(into, smaller.get());
        measure();
    }
    const Point at = kept_inside(
        centred_text_origin(width, height, length, metrics.tmAveCharWidth, metrics.tmHeight), width,
        height, extent.cx, metrics.tmHeight);
    ::SetBkMode(into, TRANSPARENT);
    ::SetTextColor(into, text_colour_);
    ::TextOutA(into, at.x, at.y, text_.c_str(), length);
    ::SelectObject(into, font);
}

}  // namespace np::ventra
