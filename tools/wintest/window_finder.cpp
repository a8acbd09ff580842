#include "tools/wintest/window_finder.h"

namespace np::testing {
namespace {

struct Search {
    DWORD thread;
    std::string cls;
    std::string title;
    HWND found = nullptr;
};

BOOL CALLBACK match(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    if (!is_shown(window) || ::GetWindowThreadProcessId(window, nullptr) != search->thread) return TRUE;
    char cls[32] = {};
    ::GetClassNameA(window, cls, sizeof cls);
    if (search->cls != cls) return TRUE;
    if (!search->title.empty() && window_text(window) != search->title) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

bool wait_until(const std::function<bool()>& ready, DWORD timeout_ms) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (ready()) return true;
        if (::GetTickCount() - start > timeout_ms) return false;
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
        ::Sleep(20);
    }
}

std::string window_text(HWND window) {
    char text[512] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

HWND find_window(DWORD thread, const std::string& cls, const std::string& title) {
    // By the thread's desktop: Wine enumerates a thread's windows only on the caller's.
    Search search{thread, cls, title};
    ::EnumDesktopWindows(::GetThreadDesktop(thread), match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::optional<ShownBox> wait_for_message_box(DWORD thread, DWORD timeout_ms) {
    constexpr int kMessageText = 0xFFFF;  // the static that carries a box's message
    ShownBox box;
    const bool seen = wait_until(
        [&] {
            HWND dialog = find_dialog(thread);
            if (!dialog || !::GetDlgItem(dialog, kMessageText)) return false;
            box = {dialog, window_text(dialog), window_text(::GetDlgItem(dialog, kMessageText))};
            return true;
        },
        timeout_ms);
    if (!seen) return std::nullopt;
    return box;
}

void press(HWND dialog, int button_id) {
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button_id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, button_id)));
}

}  // namespace np::testing
