#include "installer/testing/wizard_operator.h"

#include <commctrl.h>
#include <prsht.h>

#include <atomic>
#include <chrono>

#include "installer/wizard.h"

namespace np::testing {
namespace {

// The wizard's own buttons (the property sheet's control ids).
constexpr int kBackButton = 0x3023;
constexpr int kNextButton = 0x3024;
constexpr int kFinishButton = 0x3025;

struct Search {
    HWND sheet = nullptr;
    HWND main = nullptr;
};

BOOL CALLBACK look_at(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<Search*>(context);
    char name[32] = {};
    ::GetClassNameA(window, name, sizeof name);
    if (std::string(name) == "PANOWClass") search.main = window;
    if (std::string(name) == "#32770" && ::IsWindowVisible(window) && ::GetDlgItem(window, kNextButton))
        search.sheet = window;
    return TRUE;
}

}  // namespace

WizardOperator::WizardOperator(std::function<bool()> enter) {
    ended_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<DWORD> id{0};
    program_ = std::thread([this, enter, &id] {
        if (enter && !enter()) {
            id = ~0u;
            ::SetEvent(ended_);
            return;
        }
        MessageBoxCapture capture;
        id = ::GetCurrentThreadId();
        install::run_installer(::GetModuleHandleA(nullptr));
        boxes_ = capture.boxes();
        ::SetEvent(ended_);
    });
    while (id == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    thread_id_ = id;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < end &&
           ::WaitForSingleObject(ended_, 0) == WAIT_TIMEOUT) {
        Search search;
        ::EnumThreadWindows(thread_id_, look_at, reinterpret_cast<LPARAM>(&search));
        if (search.sheet) {
            sheet_ = search.sheet;
            main_window_ = search.main;
            ::SendMessageA(sheet_, WM_NULL, 0, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

WizardOperator::~WizardOperator() {
    if (::WaitForSingleObject(ended_, 0) == WAIT_TIMEOUT && ::IsWindow(sheet_)) {
        // Left open by the test: the operator closes it.
        ::PostMessageA(sheet_, WM_SYSCOMMAND, SC_CLOSE, 0);
        ::PostMessageA(sheet_, WM_NULL, 0, 0);
    }
    wait_end();
    if (program_.joinable()) program_.join();
    ::CloseHandle(ended_);
}

HWND WizardOperator::page_window() const {
    if (!::IsWindow(sheet_)) return nullptr;
    return PropSheet_GetCurrentPageHwnd(sheet_);
}

int WizardOperator::page() const {
    const HWND current = page_window();
    if (!current) return 0;
    const int index = static_cast<int>(PropSheet_HwndToIndex(sheet_, current));
    return static_cast<int>(PropSheet_IndexToId(sheet_, index));
}

void WizardOperator::click(int control) const {
    ::SendMessageA(::GetDlgItem(page_window(), control), BM_CLICK, 0, 0);
}

bool WizardOperator::checked(int control) const {
    return ::SendMessageA(::GetDlgItem(page_window(), control), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void WizardOperator::type(int control, const std::string& text) const {
    ::SendMessageA(::GetDlgItem(page_window(), control), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string WizardOperator::text(int control) const {
    char text[256] = {};
    ::SendMessageA(::GetDlgItem(page_window(), control), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

bool WizardOperator::choose(int control, const std::string& entry) const {
    const HWND item = ::GetDlgItem(page_window(), control);
    char name[32] = {};
    ::GetClassNameA(item, name, sizeof name);
    const bool list = std::string(name) == "ListBox";
    const LRESULT at = ::SendMessageA(item, list ? LB_FINDSTRINGEXACT : CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(entry.c_str()));
    if (at < 0) return false;
    ::SendMessageA(item, list ? LB_SETCURSEL : CB_SETCURSEL, at, 0);
    return true;
}

bool WizardOperator::can_press(int button) const {
    const int id = button == PSBTN_NEXT ? kNextButton : button == PSBTN_BACK ? kBackButton : kFinishButton;
    const HWND item = ::GetDlgItem(sheet_, id);
    return item && ::IsWindowVisible(item) && ::IsWindowEnabled(item);
}

int WizardOperator::press(int button_id) const {
    ::SendMessageA(::GetDlgItem(sheet_, button_id), BM_CLICK, 0, 0);
    // A click sent from another thread wakes no message loop, but an operator's click
    // arrives as input: the wizard's modal loop must see a message to notice its end.
    ::PostMessageA(sheet_, WM_NULL, 0, 0);
    ::SendMessageA(sheet_, WM_NULL, 0, 0);
    return page();
}

int WizardOperator::next() const {
    return press(kNextButton);
}

int WizardOperator::back() const {
    return press(kBackButton);
}

void WizardOperator::finish() const {
    press(kFinishButton);
}

bool WizardOperator::wait_end() {
    return ::WaitForSingleObject(ended_, 30'000) == WAIT_OBJECT_0;
}

}  // namespace np::testing
