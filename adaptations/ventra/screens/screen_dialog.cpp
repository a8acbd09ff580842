#include "adaptations/ventra/screens/screen_dialog.h"

#include <cstdio>

#include "adaptations/ventra/files/unit_files.h"

namespace np::ventra {
namespace {

constexpr std::uint16_t kAreYouSureText = 230;
constexpr std::uint16_t kErrorText = 98;

}  // namespace

INT_PTR ScreenDialog::run(HWND owner) {
    return ::DialogBoxParamA(module_.instance, MAKEINTRESOURCEA(template_), owner, procedure,
                             reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK ScreenDialog::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrA(window, DWLP_USER, lparam);
        reinterpret_cast<ScreenDialog*>(lparam)->dialog_ = window;
    }
    auto* screen = reinterpret_cast<ScreenDialog*>(::GetWindowLongPtrA(window, DWLP_USER));
    return screen ? screen->handle(message, wparam, lparam) : FALSE;
}

INT_PTR ScreenDialog::handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            on_init();
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wparam) == IDCANCEL) on_cancel();
            else on_command(LOWORD(wparam), HIWORD(wparam));
            return TRUE;
        case WM_TIMER:
            on_timer(wparam);
            return TRUE;
        case WM_NOTIFY:
            ::SetWindowLongPtrA(dialog_, DWLP_MSGRESULT, on_notify(*reinterpret_cast<const NMHDR*>(lparam)));
            return TRUE;
        case WM_DESTROY:
            on_destroy();
            return FALSE;
        default:
            return FALSE;
    }
}

void ScreenDialog::set_caption(std::uint16_t id) const {
    ::SetWindowTextA(dialog_, text(id).c_str());
}

void ScreenDialog::set_texts(std::initializer_list<ControlText> texts) const {
    for (const ControlText& t : texts) set_item(t.control, text(t.text));
}

void ScreenDialog::set_item(int control, const std::string& value) const {
    ::SetDlgItemTextA(dialog_, control, value.c_str());
}

std::string ScreenDialog::item_text(int control) const {
    char buffer[256] = {};
    ::GetDlgItemTextA(dialog_, control, buffer, sizeof buffer);
    return buffer;
}

void ScreenDialog::fill_choices(int combo, std::initializer_list<std::uint16_t> texts) const {
    ::SendDlgItemMessageA(dialog_, combo, CB_RESETCONTENT, 0, 0);
    for (std::uint16_t id : texts) {
        const std::string choice = text(id);
        ::SendDlgItemMessageA(dialog_, combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.c_str()));
    }
}

void ScreenDialog::select_choice(int combo, unsigned value) const {
    const auto count = static_cast<unsigned>(::SendDlgItemMessageA(dialog_, combo, CB_GETCOUNT, 0, 0));
    ::SendDlgItemMessageA(dialog_, combo, CB_SETCURSEL, value < count ? value : static_cast<WPARAM>(-1), 0);
}

// Nothing selected keeps the first choice: a word always gets a defined value.
unsigned ScreenDialog::selected_choice(int combo) const {
    const LRESULT at = ::SendDlgItemMessageA(dialog_, combo, CB_GETCURSEL, 0, 0);
    return at == CB_ERR ? 0u : static_cast<unsigned>(at);
}

void ScreenDialog::message(std::uint16_t id, UINT icon) const {
    message_text(text(id), icon);
}

void ScreenDialog::message_text(const std::string& value, UINT icon) const {
    ::MessageBoxA(dialog_, value.c_str(), message_title().c_str(), MB_OK | icon);
}

bool ScreenDialog::confirmed() const {
    return ::MessageBoxA(dialog_, text(kAreYouSureText).c_str(), message_title().c_str(),
                         MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void ScreenDialog::close(INT_PTR result) {
    ::EndDialog(dialog_, result);
}

std::string read_failure_text(const LanguageModule& language, int code) {
    char value[160];
    std::snprintf(value, sizeof value, "%s : %d", language.text(kErrorText).c_str(), code);
    return value;
}

}  // namespace np::ventra
