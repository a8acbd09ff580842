#include "tools/wintest/message_box_capture.h"

#include <cstdio>
#include <stdexcept>
#include <utility>

namespace np {
namespace {

// The capture active on each thread (the innermost when nested).
thread_local MessageBoxCapture* t_active = nullptr;

std::string class_name(HWND window) {
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

std::string window_text(HWND window) {
    const int length = ::GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextA(window, text.data(), length + 1)));
    return text;
}

UINT buttons_of(HWND box) {
    const auto has = [box](int id) {
        const HWND button = ::GetDlgItem(box, id);
        return button && (::GetWindowLongA(button, GWL_STYLE) & WS_VISIBLE);
    };
    if (has(IDABORT) && has(IDRETRY)) return MB_ABORTRETRYIGNORE;
    if (has(IDYES) && has(IDNO)) return has(IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO;
    if (has(IDRETRY) && has(IDCANCEL)) return MB_RETRYCANCEL;
    return has(IDOK) && has(IDCANCEL) ? MB_OKCANCEL : MB_OK;
}

struct BoxParts {
    std::string text;
    HICON icon = nullptr;
};

BOOL CALLBACK collect_part(HWND child, LPARAM parts_address) {
    auto& parts = *reinterpret_cast<BoxParts*>(parts_address);
    if (class_name(child) != "Static") return TRUE;
    if ((::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        parts.icon = reinterpret_cast<HICON>(::SendMessageA(child, STM_GETICON, 0, 0));
    } else if (std::string text = window_text(child); text.size() > parts.text.size()) {
        parts.text = std::move(text);
    }
    return TRUE;
}

// The system's boxes show the shared system icons.
UINT icon_style(HICON icon) {
    if (!icon) return 0;
    const std::pair<LPCSTR, UINT> icons[] = {{IDI_HAND, MB_ICONSTOP},
                                             {IDI_QUESTION, MB_ICONQUESTION},
                                             {IDI_EXCLAMATION, MB_ICONWARNING},
                                             {IDI_ASTERISK, MB_ICONINFORMATION}};
    for (const auto& [system_icon, style] : icons)
        if (icon == ::LoadIconA(nullptr, system_icon)) return style;
    return MB_USERICON;
}

// A message box is a dialog whose text is the static control 0xFFFF.
bool is_message_box(HWND window) {
    return class_name(window) == "#32770" && ::GetDlgItem(window, 0xFFFF) != nullptr;
}

}  // namespace

// The styles as MessageBox takes them, e.g. "0x10" for MB_ICONSTOP, "0x4" for MB_YESNO.
std::string CapturedMessageBox::describe() const {
    char styles[40];
    std::snprintf(styles, sizeof styles, " | icon %#x | buttons %#x", icon, buttons);
    return title + " | " + text + styles;
}

MessageBoxCapture::MessageBoxCapture(Answer answer, DWORD thread_id)
    : answer_(answer ? std::move(answer) : Answer(first_button)) {
    hook_ = ::SetWindowsHookExA(WH_CALLWNDPROCRET, hook_procedure, nullptr, thread_id);
    if (!hook_) throw std::runtime_error("cannot hook the thread's windows");
    previous_ = std::exchange(t_active, this);
}

MessageBoxCapture::~MessageBoxCapture() {
    ::UnhookWindowsHookEx(hook_);
    t_active = previous_;
}

std::string MessageBoxCapture::log() const {
    std::string lines;
    for (const auto& box : boxes_)
        lines += box.describe() + "\n";
    return lines;
}

int MessageBoxCapture::first_button(const CapturedMessageBox& box) {
    if (box.buttons == MB_ABORTRETRYIGNORE) return IDABORT;
    if (box.buttons == MB_YESNO || box.buttons == MB_YESNOCANCEL) return IDYES;
    return box.buttons == MB_RETRYCANCEL ? IDRETRY : IDOK;
}

LRESULT CALLBACK MessageBoxCapture::hook_procedure(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HC_ACTION && t_active) {
        const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lparam);
        if (message->message == WM_INITDIALOG && is_message_box(message->hwnd))
            t_active->capture(message->hwnd);
    }
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

void MessageBoxCapture::capture(HWND box) {
    BoxParts parts;
    ::EnumChildWindows(box, collect_part, reinterpret_cast<LPARAM>(&parts));
    CapturedMessageBox captured;
    captured.owner = ::GetWindow(box, GW_OWNER);
    captured.title = window_text(box);
    captured.text = parts.text;
    captured.icon = icon_style(parts.icon);
    captured.buttons = buttons_of(box);
    captured.answer = answer_(captured);
    boxes_.push_back(captured);
    // Posted before the box is first shown: its modal loop takes the click before it
    // would display the box, and the box's own dialog procedure ends it with this id.
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(captured.answer, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, captured.answer)));
}

}  // namespace np
