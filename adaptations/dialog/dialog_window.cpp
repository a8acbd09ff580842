#include "adaptations/dialog/dialog_window.h"

#include <algorithm>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace np::dialog {

HINSTANCE module_instance() {
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

UniqueGdiObject create_title_font() {
    return UniqueGdiObject(::CreateFontA(
        -14, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif"));
}

void use_font(HWND dialog, int control, const UniqueGdiObject& font) {
    ::SendDlgItemMessageA(dialog, control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
}

void show_text(HWND dialog, int control, const std::string& text) {
    ::SetDlgItemTextA(dialog, control, text.c_str());
}

void centre_on_screen(HWND dialog) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT window{};
    if (!::GetMonitorInfoA(::MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &monitor) ||
        !::GetWindowRect(dialog, &window))
        return;
    const RECT& area = monitor.rcWork;
    const int width = window.right - window.left, height = window.bottom - window.top;
    // A dialog larger than the screen keeps its top left corner (and caption) on it.
    const int x = area.left + std::max(0L, (area.right - area.left - width) / 2);
    const int y = area.top + std::max(0L, (area.bottom - area.top - height) / 2);
    ::SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace np::dialog
