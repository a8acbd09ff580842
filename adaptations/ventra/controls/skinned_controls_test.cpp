// One control of each kind, built from Ventra.dll's own bitmaps in a window of their
// own, operated as the operator would; leaves skinned_controls.png behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <vector>

#include "adaptations/ventra/controls/skinned_control.h"
#include "common/win32_handles.h"
#include "skin_bitmaps.h"
#include "tools/wintest/message_box_capture.h"
#include "tools/wintest/window_picture.h"

namespace np::ventra {
namespace {

constexpr int large = 1;  // the 1024 x 768 sets
std::vector<int> commands;

LRESULT CALLBACK host_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND && HIWORD(wparam) == BN_CLICKED) commands.push_back(LOWORD(wparam));
    if (message == WM_PAINT) {
        PAINTSTRUCT ps{};
        HDC dc = ::BeginPaint(window, &ps);
        auto* background = reinterpret_cast<HBITMAP>(::GetWindowLongPtrA(window, GWLP_USERDATA));
        UniqueDc source(::CreateCompatibleDC(dc));
        HGDIOBJ previous = ::SelectObject(source.get(), background);
        ::BitBlt(dc, 0, 0, 1024, 768, source.get(), 0, 0, SRCCOPY);
        ::SelectObject(source.get(), previous);
        ::EndPaint(window, &ps);
        return 0;
    }
    return ::DefWindowProcA(window, message, wparam, lparam);
}

void pump_for(DWORD ms) {
    const DWORD end = ::GetTickCount() + ms;
    while (static_cast<LONG>(end - ::GetTickCount()) > 0) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
        ::Sleep(10);
    }
}

std::span<const int> ids(const skin::BitmapIds& set) { return {set.ids, static_cast<std::size_t>(set.count)}; }

class SkinnedControls : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(::CopyFileA("NPeng.dll", "NPLang.dll", FALSE));
        module_.reset(::LoadLibraryA("Ventra.dll"));
        ASSERT_TRUE(module_);
        background_.reset(::LoadBitmapA(instance(), MAKEINTRESOURCEA(129)));
        ASSERT_TRUE(background_);
        WNDCLASSA cls{};
        cls.lpfnWndProc = host_procedure;
        cls.hInstance = ::GetModuleHandleA(nullptr);
        cls.lpszClassName = "SkinTestHost";
        ::RegisterClassA(&cls);
        host_ = ::CreateWindowExA(0, "SkinTestHost", "skin", WS_POPUP | WS_VISIBLE, 0, 0, 640, 150, nullptr,
                                  nullptr, cls.hInstance, nullptr);
        ASSERT_TRUE(host_);
        ::SetWindowLongPtrA(host_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(background_.get()));
        commands.clear();
    }
    void TearDown() override {
        controls_.clear();
        if (host_) ::DestroyWindow(host_);
        module_.reset();
        ::DeleteFileA("NPLang.dll");
    }
    HINSTANCE instance() const { return static_cast<HINSTANCE>(module_.get()); }

    SkinnedControl& add(ControlKind kind, int id, int x, int y, const skin::BitmapIds* set,
                        bool console_only = false) {
        const bool text = kind == ControlKind::value_display || kind == ControlKind::caption;
        ::CreateWindowExA(0, text ? "STATIC" : "BUTTON", "", WS_CHILD | WS_VISIBLE, x, y, 10, 10, host_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
        controls_.push_back(std::make_unique<SkinnedControl>(kind, console_only));
        SkinnedControl& control = *controls_.back();
        EXPECT_TRUE(control.attach(host_, id));
        if (set) {
            EXPECT_TRUE(control.set_bitmaps(instance(), ids(*set)));
        }
        if (id != 1001) control.set_background(host_, static_cast<HBITMAP>(background_.get()));
        return control;
    }
    void click(HWND button) {
        ::SendMessageA(button, BM_CLICK, 0, 0);
        pump_for(20);
    }

    UniqueModule module_;
    UniqueGdiObject background_;
    HWND host_ = nullptr;
    std::vector<std::unique_ptr<SkinnedControl>> controls_;
};

TEST_F(SkinnedControls, EveryKindTakesItsBitmapsAndIsOperatedLikeOnTheConsole) {
    SkinnedControl& lamp = add(ControlKind::lamp, 1001, 10, 10, &skin::emission_lamp[large]);
    SkinnedControl& voice = add(ControlKind::two_state, 1000, 70, 10, &skin::voice_help[large]);
    SkinnedControl& selector = add(ControlKind::three_state, 1046, 130, 10, &skin::page_selector[large]);
    SkinnedControl& demo = add(ControlKind::three_state, 1006, 240, 10, &skin::demonstration[large], true);
    SkinnedControl& exit = add(ControlKind::push, 2, 300, 10, &skin::exit[large]);
    add(ControlKind::auto_repeat, 1029, 370, 10, &skin::kv_plus[large]);
    SkinnedControl& kv = add(ControlKind::value_display, 1055, 440, 10, &skin::value_display[large]);
    SkinnedControl& caption = add(ControlKind::caption, 1057, 440, 60, nullptr);
    ::SetWindowPos(caption.window(), nullptr, 0, 0, 50, 20, SWP_NOMOVE | SWP_NOZORDER);
    kv.set_font(30);
    kv.set_text("85");
    caption.set_font(12);
    caption.set_text("kV");

    // Each control takes the size of its first image and the shape of its first mask.
    BITMAP image{};
    UniqueGdiObject first(::LoadBitmapA(instance(), MAKEINTRESOURCEA(skin::emission_lamp[large].ids[0])));
    ::GetObjectA(first.get(), sizeof image, &image);
    RECT frame{};
    ::GetWindowRect(lamp.window(), &frame);
    EXPECT_EQ(frame.right - frame.left, image.bmWidth);
    EXPECT_EQ(frame.bottom - frame.top, image.bmHeight);
    UniqueGdiObject region(::CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(::GetWindowRgn(lamp.window(), static_cast<HRGN>(region.get())), ERROR);
    EXPECT_FALSE(::PtInRegion(static_cast<HRGN>(region.get()), 0, 0));
    EXPECT_TRUE(::PtInRegion(static_cast<HRGN>(region.get()), image.bmWidth / 2, image.bmHeight / 2));

    lamp.set_state(1);
    EXPECT_EQ(lamp.state(), 1);
    click(voice.window());
    EXPECT_EQ(voice.state(), 1);
    click(voice.window());
    EXPECT_EQ(voice.state(), 0);
    for (int expected : {1, 2, 0, 1}) {
        click(selector.window());
        EXPECT_EQ(selector.state(), expected);
    }
    demo.set_state(2);
    click(demo.window());
    EXPECT_EQ(demo.state(), 2);  // set by the console only

    // A push button shows its pressed pair while held and notifies once on release.
    commands.clear();
    ::SendMessageA(exit.window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    EXPECT_TRUE(::SendMessageA(exit.window(), BM_GETSTATE, 0, 0) & BST_PUSHED);
    ::SendMessageA(exit.window(), WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    pump_for(20);
    EXPECT_EQ(commands, std::vector<int>{2});
    EXPECT_EQ(exit.state(), 0);

    EXPECT_TRUE(testing::write_png("skinned_controls.png", testing::capture_window(host_)));
}

TEST_F(SkinnedControls, AutoRepeatCommandsWhileHeldAndStopsOnRelease) {
    SkinnedControl& plus = add(ControlKind::auto_repeat, 1029, 10, 10, &skin::kv_plus[large]);
    ::SendMessageA(plus.window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    const DWORD limit = ::GetTickCount() + 10000;
    while (commands.size() < 5 && static_cast<LONG>(limit - ::GetTickCount()) > 0) pump_for(50);
    ::SendMessageA(plus.window(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    ASSERT_GE(commands.size(), 5u);
    const std::size_t on_release = commands.size();
    EXPECT_EQ(commands.back(), 1029);
    pump_for(600);
    EXPECT_EQ(commands.size(), on_release);  // the timer went with the button
    ::SendMessageA(plus.window(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
    ::SendMessageA(plus.window(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    pump_for(50);
    EXPECT_EQ(commands.size(), on_release + 1);
}

TEST_F(SkinnedControls, AMaskOfAnotherFormatIsRefusedAndLeavesTheControlRectangular) {
    SkinnedControl& other = add(ControlKind::lamp, 1003, 40, 10, nullptr);
    UniqueGdiObject colour(::CreateBitmap(16, 16, 1, 8, nullptr));
    MessageBoxCapture boxes;
    EXPECT_FALSE(apply_mask_region(other.window(), static_cast<HBITMAP>(colour.get())));
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes[0].text, mask_format_message);
    UniqueGdiObject none(::CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(::GetWindowRgn(other.window(), static_cast<HRGN>(none.get())), ERROR);  // stays rectangular
}

}  // namespace
}  // namespace np::ventra
