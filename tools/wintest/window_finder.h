// Test helper: the windows code under test opens on a thread of its own (message
// boxes, dialogs, menus), found from the test's thread the way an operator sees them,
// and answered. Windows are looked for among the top-level windows of that thread, on
// its own desktop.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace np::testing {

// Repeats `ready` until it holds or `timeout_ms` has passed, pumping this thread's
// messages meanwhile.
bool wait_until(const std::function<bool()>& ready, DWORD timeout_ms = 5000);

std::string window_text(HWND window);

// Whether the window is shown, by its own style: on a desktop other than the input
// one the system reports no window as visible.
inline bool is_shown(HWND window) {
    return window && (::GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

// A shown top-level window of `thread` of the class given ("#32770" dialogs and
// boxes, "#32768" menus) and, unless empty, the title given.
HWND find_window(DWORD thread, const std::string& cls, const std::string& title = {});
inline HWND find_dialog(DWORD thread, const std::string& title = {}) {
    return find_window(thread, "#32770", title);
}

struct ShownBox {
    HWND window = nullptr;
    std::string title;
    std::string text;  // the message of a message box
};

// Waits for a message box of `thread` and reads it.
std::optional<ShownBox> wait_for_message_box(DWORD thread, DWORD timeout_ms = 5000);

// Presses a button of a dialog or box by its id, as a click would.
void press(HWND dialog, int button_id);

}  // namespace np::testing
