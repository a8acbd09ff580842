#include "adaptations/ventra/console/console_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "adaptations/ventra/console/console_ids.h"
#include "adaptations/ventra/console/console_layout.h"
#include "adaptations/ventra/console/error_dialogs.h"
#include "adaptations/ventra/files/unit_files.h"
#include "adaptations/ventra/link/indicator_scan.h"
#include "adaptations/ventra/link/startup_rules.h"
#include "adaptations/ventra/link/unit_registers.h"
#include "adaptations/ventra/module/edition.h"
#include "adaptations/ventra/module/unit_refresh.h"
#include "adaptations/ventra/module/ventra_registry.h"
#include "adaptations/ventra/record/program_table.h"
#include "adaptations/ventra/texts/prompt_rules.h"
#include "skin_bitmaps.h"

namespace np::ventra {
namespace {

// Texts of the language module.
constexpr std::uint16_t kCommunicationProblem = 213;
constexpr std::uint16_t kAreYouSure = 230;
constexpr std::uint16_t kErrorText = 98;
constexpr std::uint16_t kReinitialisationFailed = 131;
constexpr std::uint16_t kProgramEvolutionError = 359;
constexpr std::uint16_t kErrorCaption = 480;
constexpr std::uint16_t kContactDealer = 481;
constexpr std::uint16_t kStartAgain = 482;
constexpr std::uint16_t kMenuHelp = 517;
constexpr std::uint16_t kMenuMaintenance = 518;
constexpr std::uint16_t kScreenTooSmall = 519;
constexpr std::uint16_t kImageReceptionProblem = 800;
constexpr std::uint16_t kImageReceptionContact = 801;
constexpr std::uint16_t kFullMenu = 24003;
constexpr std::uint16_t kShortMenu = 24002;

constexpr UINT kStatusPeriod = 200;
constexpr UINT kCoolingPeriod = 1000;
constexpr UINT kBlocksPromptDelay = 1000;
constexpr COLORREF kCurrentPageColour = RGB(230, 249, 255);

constexpr const char* kSecurityTimeOut = "SecurityTimeOut";

// The demonstration build's own words for two state texts, on the console and on the
// unit's display alike.
constexpr std::uint16_t kExposureText = 53;
constexpr const char* kDemonstrationReady = "For Demo Only";
constexpr const char* kDemonstrationExposure = "Acquisition For Demo";
constexpr std::uint16_t kDemonstrationCommand = 0x00A0;  // the ready lamp's, demonstration build only
constexpr int kDemonstrationDoseWidth = 27;              // dialog units

std::string state_text(const LanguageModule& language, std::uint16_t text) {
    if (demonstration_build()) {
        if (text == kReadyText) return kDemonstrationReady;
        if (text == kExposureText) return kDemonstrationExposure;
    }
    return language.text(text);
}

// The emission lamp's images; the demonstration build lights it in blue where the skin
// has a blue image for the size.
skin::BitmapIds emission_lamp_images(int size_index) {
    skin::BitmapIds images = skin::emission_lamp[size_index];
    const skin::BitmapIds& blue = skin::emission_lamp_demo_on[size_index];
    if (demonstration_build() && blue.count > 0) images.ids[2] = blue.ids[0];
    return images;
}

// Paints black every column of the bitmap but the last `shown` ones.
void mask_preview(HDC dc, HBITMAP preview, long long shown) {
    BITMAP info{};
    ::GetObjectA(preview, sizeof info, &info);
    const long long hidden = info.bmWidth - std::clamp<long long>(shown, 0, info.bmWidth);
    if (hidden == 0) return;
    UniqueDc memory(::CreateCompatibleDC(dc));
    HGDIOBJ previous = ::SelectObject(memory.get(), preview);
    ::PatBlt(memory.get(), 0, 0, static_cast<int>(hidden), info.bmHeight, BLACKNESS);
    ::SelectObject(memory.get(), previous);
}

struct Tip {
    int id;
    std::uint16_t text;
};
constexpr Tip kTips[] = {
    {IDC_PAGE_SELECTOR, 533}, {IDC_EMISSION_LAMP, 534}, {IDC_READY_LAMP, 535}, {IDC_INFORMATION, 536},
    {IDC_LASER, 537}, {IDC_MOVEMENT_RESET, 538}, {IDC_RECAP_CHILD, 539}, {IDC_RECAP_ADULT, 540},
    {IDC_RECAP_BODY_SIZE, 543}, {IDC_DEMONSTRATION, 548}, {IDC_EXIT, 549}, {IDC_CAPTION_PROGRAM_PAGE, 552},
    {IDC_CAPTION_PATIENT_PAGE, 551}, {IDC_CAPTION_PARAMETERS_PAGE, 550}, {IDC_CODE_DISPLAY, 553},
    {IDC_MESSAGE_DISPLAY, 554}, {IDC_KV_DISPLAY, 556}, {IDC_MA_DISPLAY, 557}, {IDC_TIME_DISPLAY, 558},
    {IDC_COOLING_DISPLAY, 560}, {IDC_VOICE_HELP, 561},
};

// Buttons over which the pointer becomes the hand.
constexpr int kHandButtons[] = {IDC_EXIT, IDC_VOICE_HELP, IDC_INFORMATION, IDC_LASER, IDC_MOVEMENT_RESET,
                                IDC_DEMONSTRATION, IDC_PAGE_SELECTOR, IDC_CAPTION_PROGRAM_PAGE,
                                IDC_CAPTION_PATIENT_PAGE, IDC_CAPTION_PARAMETERS_PAGE};

constexpr int kValueDisplays[] = {IDC_KV_DISPLAY, IDC_MA_DISPLAY, IDC_TIME_DISPLAY, IDC_DOSE_DISPLAY};
constexpr int kPageValueDisplays[] = {IDC_PAGE_KV, IDC_PAGE_MA, IDC_PAGE_TIME, IDC_PAGE_DOSE};
constexpr int kPageCaptions[] = {IDC_CAPTION_PROGRAM_PAGE, IDC_CAPTION_PATIENT_PAGE, IDC_CAPTION_PARAMETERS_PAGE};

std::string formatted_code(const char* format, int code) {
    char text[16];
    std::snprintf(text, sizeof text, format, code);
    return text;
}

SIZE bitmap_size(HGDIOBJ bitmap) {
    BITMAP info{};
    ::GetObjectA(bitmap, sizeof info, &info);
    return {info.bmWidth, info.bmHeight};
}

void move(HWND window, Point at, int width = 0, int height = 0) {
    const UINT keep_size = width > 0 ? 0 : SWP_NOSIZE;
    ::SetWindowPos(window, nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | keep_size);
}

}  // namespace

ConsoleWindow::ConsoleWindow(VentraModule& module, contract::NotifyFn notify, std::atomic<HWND>* publish)
    : module_(module), notify_(notify), publish_(publish) {}

ConsoleWindow::~ConsoleWindow() = default;

INT_PTR ConsoleWindow::run(HWND parent) {
    return ::DialogBoxParamA(module_.instance, MAKEINTRESOURCEA(IDD_VENTRA_CONSOLE), parent, procedure,
                             reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK ConsoleWindow::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<ConsoleWindow*>(lparam);
        ::SetWindowLongPtrA(window, DWLP_USER, lparam);
        self->dialog_ = window;
        self->window_.store(window);
        if (self->publish_) self->publish_->store(window);
        try {
            return self->initialise() ? TRUE : FALSE;
        } catch (...) {
            ::EndDialog(window, kConsoleLeft);
            return FALSE;
        }
    }
    auto* self = reinterpret_cast<ConsoleWindow*>(::GetWindowLongPtrA(window, DWLP_USER));
    if (!self) return FALSE;
    try {
        return self->handle(message, wparam, lparam);
    } catch (...) {
        return FALSE;
    }
}

INT_PTR CALLBACK ConsoleWindow::page_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrA(window, DWLP_USER, lparam);
        return TRUE;
    }
    auto* self = reinterpret_cast<ConsoleWindow*>(::GetWindowLongPtrA(window, DWLP_USER));
    if (!self) return FALSE;
    switch (message) {
        case WM_ERASEBKGND: {
            HDC dc = reinterpret_cast<HDC>(wparam);
            UniqueDc source(::CreateCompatibleDC(dc));
            HGDIOBJ previous = ::SelectObject(source.get(), self->frame_.get());
            const SIZE size = bitmap_size(self->frame_.get());
            ::BitBlt(dc, 0, 0, size.cx, size.cy, source.get(), 0, 0, SRCCOPY);
            ::SelectObject(source.get(), previous);
            ::SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        case WM_DRAWITEM: return TRUE;  // the skinned buttons paint themselves
        case WM_COMMAND:
            if (HIWORD(wparam) == BN_CLICKED) {
                for (int page = 0; page < 3; ++page)
                    if (self->pages_[page] == window) {
                        try {
                            self->on_page_command(page, LOWORD(wparam));
                        } catch (...) {
                        }
                    }
            }
            return TRUE;
        default: return FALSE;
    }
}

INT_PTR ConsoleWindow::handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_ERASEBKGND:
            paint_background(reinterpret_cast<HDC>(wparam));
            ::SetWindowLongPtrA(dialog_, DWLP_MSGRESULT, TRUE);
            return TRUE;
        case WM_PAINT: {
            if (!::IsIconic(dialog_)) return FALSE;
            // Minimised: the icon, centred.
            PAINTSTRUCT ps{};
            HDC dc = ::BeginPaint(dialog_, &ps);
            RECT client{};
            ::GetClientRect(dialog_, &client);
            HICON icon = ::LoadIconA(nullptr, IDI_APPLICATION);
            ::DrawIcon(dc, (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2,
                       (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2, icon);
            ::EndPaint(dialog_, &ps);
            return TRUE;
        }
        case WM_DRAWITEM:
            draw_item(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
            return TRUE;
        case WM_SETCURSOR:
            if (set_cursor(reinterpret_cast<HWND>(wparam))) {
                ::SetWindowLongPtrA(dialog_, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            return FALSE;
        case WM_TIMER:
            on_timer(wparam);
            return TRUE;
        case WM_COMMAND:
            if (lparam == 0 && HIWORD(wparam) == 0)
                serve_menu_command(LOWORD(wparam));  // a menu command sent rather than chosen
            else if (HIWORD(wparam) == BN_CLICKED || HIWORD(wparam) == STN_CLICKED)
                on_command(LOWORD(wparam));
            return TRUE;
        case kImageDeliveredMessage:
            // The host may close the driver as soon as it has its image: the console's
            // end (log, unit, report) is done before the driver's message returns.
            end(kConsoleEnded);
            finish();
            ::SetWindowLongPtrA(dialog_, DWLP_MSGRESULT, 0);
            return TRUE;
        case kPreviewShownMessage:
            ::KillTimer(dialog_, kWatchdogTimer);
            watchdog_running_ = false;
            show_preview(reinterpret_cast<HGLOBAL>(wparam), lparam);
            ::SetWindowLongPtrA(dialog_, DWLP_MSGRESULT, 0);
            return TRUE;
        case WM_DESTROY:
            finish();
            return FALSE;
        default: return FALSE;
    }
}

// --- Initialisation ---------------------------------------------------------------

bool ConsoleWindow::initialise() {
    full_menu_ = module_.language.menu(kFullMenu);
    short_menu_ = module_.language.menu(kShortMenu);
    if (AcquisitionRecord* record = module_.record) {
        record->program = 0;
        record->unit_specific = 0;
        record->kv = record->ma = record->exposure_time = 0;
        record->valid = 0;
        record->section_count = 0;
    }

    const int screen_width = ::GetSystemMetrics(SM_CXSCREEN);
    const int screen_height = ::GetSystemMetrics(SM_CYSCREEN);
    if (screen_too_small(screen_width, screen_height)) {
        show_message(module_.language.text(kScreenTooSmall));
        end(kConsoleLeft);
        notify(contract::kNotifyCancel);
        notify(contract::kNotifyEnd);
        return FALSE;
    }
    reference_ = reference_size(screen_width, screen_height);
    size_index_ = reference_.width == 800 ? 0 : 1;

    ::InitCommonControls();
    load_background();
    skin_controls();
    lay_out();
    create_pages();
    show_page(0);

    ::SetTimer(dialog_, kStatusTimer, kStatusPeriod, nullptr);
    ::SetTimer(dialog_, kCoolingTimer, kCoolingPeriod, nullptr);
    create_tooltips();

    voice_ = std::make_unique<Voice>(module_.language.handle());
    voice_->restore_switch();
    main(IDC_VOICE_HELP).set_state(voice_->is_on() ? 1 : 0);

    std::array<std::uint16_t, words::programs> programs{};
    if (module_.link.read(address::programs, words::programs, programs.data()) == 0 &&
        programs[3] == 0x21)
        module_.link.command(command::four_view_tmj);
    refresh_from_unit();
    show_page(0);

    if (UniqueFile restore(::CreateFileA(kRestoreFilePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         0, nullptr));
        !restore)
        save_restore_file(module_.link);

    // The demonstration build has no watchdog: a missing image never ends its console.
    if (!demonstration_build()) watchdog_period_ = watchdog_period(VentraKey(kVentraKey).dword(kSecurityTimeOut));
    return TRUE;
}

void ConsoleWindow::load_background() {
    const int background = size_index_ == 0 ? 285 : 129;
    background_.reset(::LoadBitmapA(module_.instance, MAKEINTRESOURCEA(background)));
    frame_.reset(::LoadBitmapA(module_.instance, MAKEINTRESOURCEA(skin::page_frame[size_index_].ids[0])));
    const SIZE size = bitmap_size(background_.get());
    const int screen_width = ::GetSystemMetrics(SM_CXSCREEN);
    const int screen_height = ::GetSystemMetrics(SM_CYSCREEN);
    const Point origin = console_origin(reference_, screen_width, screen_height);
    ::SetWindowPos(dialog_, nullptr, origin.x, origin.y, size.cx, size.cy, SWP_NOZORDER);
    if (size_index_ == 1) {
        // The console's rounded outline at 1024 x 768.
        UniqueGdiObject shape(::LoadBitmapA(module_.instance, MAKEINTRESOURCEA(284)));
        if (shape) apply_mask_region(dialog_, static_cast<HBITMAP>(shape.get()));
    }
}

SkinnedControl& ConsoleWindow::skin(HWND parent, int id, ControlKind kind, const skin::BitmapIds* sets,
                                    bool console_only) {
    auto control = std::make_unique<SkinnedControl>(kind, console_only);
    control->attach(parent, id);
    if (sets) {
        const skin::BitmapIds& set = sets[size_index_];
        control->set_bitmaps(module_.instance, std::span<const int>(set.ids, static_cast<std::size_t>(set.count)));
    }
    const bool on_page = parent != dialog_;
    control->set_background(parent, static_cast<HBITMAP>(on_page ? frame_.get() : background_.get()));
    skinned_.push_back({parent, id, std::move(control)});
    return *skinned_.back().control;
}

SkinnedControl& ConsoleWindow::caption(int id, std::uint16_t text, int height) {
    SkinnedControl& control = skin(dialog_, id, ControlKind::caption, nullptr);
    const std::string words = text ? module_.language.text(text) : std::string();
    control.set_font(height);
    control.set_text(words);
    // Sized to its text, measured in its own font.
    UniqueGdiObject font = make_skin_font(height);
    HDC dc = ::GetDC(control.window());
    HGDIOBJ previous = ::SelectObject(dc, font.get());
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, words.c_str(), static_cast<int>(words.size()), &extent);
    ::SelectObject(dc, previous);
    ::ReleaseDC(control.window(), dc);
    ::SetWindowPos(control.window(), nullptr, 0, 0, extent.cx + 6, extent.cy + 2,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return control;
}

SkinnedControl& ConsoleWindow::at(HWND parent, int id) {
    for (Skinned& s : skinned_)
        if (s.parent == parent && s.id == id) return *s.control;
    throw std::logic_error("no such skinned control");
}

void ConsoleWindow::skin_controls() {
    using K = ControlKind;
    skin(dialog_, IDC_PAGE_SELECTOR, K::three_state, skin::page_selector);
    skin(dialog_, IDC_VOICE_HELP, K::two_state, skin::voice_help);
    const skin::BitmapIds emission_lamp[2] = {emission_lamp_images(0), emission_lamp_images(1)};
    skin(dialog_, IDC_EMISSION_LAMP, K::lamp, emission_lamp);
    skin(dialog_, IDC_READY_LAMP, K::lamp, skin::ready_lamp);
    skin(dialog_, IDC_INFORMATION, K::push, skin::information);
    skin(dialog_, IDC_LASER, K::two_state, skin::laser);
    skin(dialog_, IDC_MOVEMENT_RESET, K::push, skin::movement_reset);
    skin(dialog_, IDC_DEMONSTRATION, K::three_state, skin::demonstration, true);
    skin(dialog_, IDC_EXIT, K::push, skin::exit);
    skin(dialog_, IDC_RECAP_TMJ_RIGHT, K::lamp, skin::recap_tmj_right);
    skin(dialog_, IDC_RECAP_TMJ_LEFT, K::lamp, skin::recap_tmj_left);
    skin(dialog_, IDC_RECAP_INCISOR, K::lamp, skin::recap_incisor);
    skin(dialog_, IDC_RECAP_RIGHT_MOLAR, K::lamp, skin::recap_right_molar);
    skin(dialog_, IDC_RECAP_LEFT_MOLAR, K::lamp, skin::recap_left_molar);
    skin(dialog_, IDC_RECAP_SINUS, K::lamp, skin::recap_sinus);
    skin(dialog_, IDC_RECAP_BODY_SIZE, K::three_state, skin::recap_body_size);
    skin(dialog_, IDC_RECAP_CHILD, K::lamp, skin::recap_child);
    skin(dialog_, IDC_RECAP_ADULT, K::lamp, skin::recap_adult);
    skin(dialog_, IDC_LOGO, K::push, skin::logo);
    skin(dialog_, IDC_RADIATION, K::push, skin::radiation);
    skin(dialog_, IDC_ATTENTION, K::push, skin::attention);
    skin(dialog_, IDC_TEMPERATURE, K::push, skin::temperature);
    skin(dialog_, IDC_BLUE_DANGER, K::push, skin::blue_danger);
    for (int id : kValueDisplays) skin(dialog_, id, K::value_display, skin::value_display).set_font(30);
    if (demonstration_build()) {
        RECT width{0, 0, kDemonstrationDoseWidth, 0};
        ::MapDialogRect(dialog_, &width);
        HWND dose = ::GetDlgItem(dialog_, IDC_DOSE_DISPLAY);
        RECT at{};
        ::GetWindowRect(dose, &at);
        ::SetWindowPos(dose, nullptr, 0, 0, width.right, at.bottom - at.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    skin(dialog_, IDC_MESSAGE_DISPLAY, K::value_display, skin::message_display).set_font(20);
    skin(dialog_, IDC_CODE_DISPLAY, K::value_display, skin::code_display).set_font(20);
    SkinnedControl& cooling = skin(dialog_, IDC_COOLING_DISPLAY, K::value_display, skin::cooling_display);
    cooling.set_font(15);
    cooling.set_text("00:00");

    caption(IDC_CAPTION_PROGRAM, 510, 12);
    caption(IDC_CAPTION_PATIENT, 511, 12);
    caption(IDC_CAPTION_KV, 514, 12);
    caption(IDC_CAPTION_MA, 515, 12);
    caption(IDC_CAPTION_S, 516, 12);
    caption(IDC_CAPTION_DOSE, 513, 12);
    caption(IDC_CAPTION_PROGRAM_PAGE, 510, 16);
    caption(IDC_CAPTION_PATIENT_PAGE, 511, 16);
    caption(IDC_CAPTION_PARAMETERS_PAGE, 512, 16);
    SkinnedControl& x4 = caption(IDC_LABEL_X4, 0, 16);
    x4.set_text("x4");
    ::SetWindowPos(x4.window(), nullptr, 0, 0, 30, 20, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(x4.window(), SW_HIDE);
    SkinnedControl& r = caption(IDC_LABEL_R, 0, 12);
    r.set_text("R");
    ::SetWindowPos(r.window(), nullptr, 0, 0, 14, 16, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ConsoleWindow::lay_out() {
    for (const Placement& p : console_placements()) {
        HWND control = ::GetDlgItem(dialog_, p.id);
        if (!control) continue;
        const Point origin = console_control_origin(p, reference_);
        if (p.id == IDC_PREVIEW) {
            const Area area = preview_area(reference_);
            move(control, origin, area.width, area.height);
        } else if (p.id == IDC_PAGE_FRAME) {
            // The pages paint the frame themselves; the control only marks its place.
            const SIZE size = bitmap_size(frame_.get());
            move(control, origin, size.cx, size.cy);
            ::ShowWindow(control, SW_HIDE);
        } else {
            move(control, origin);
        }
    }
}

void ConsoleWindow::create_pages() {
    using K = ControlKind;
    HWND frame = ::GetDlgItem(dialog_, IDC_PAGE_FRAME);
    RECT at{};
    ::GetWindowRect(frame, &at);
    ::MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&at), 2);
    const SIZE size = bitmap_size(frame_.get());
    constexpr int kTemplates[] = {IDD_PAGE_PROGRAM, IDD_PAGE_PATIENT, IDD_PAGE_PARAMETERS};
    for (int page = 0; page < 3; ++page) {
        pages_[page] = ::CreateDialogParamA(module_.instance, MAKEINTRESOURCEA(kTemplates[page]), dialog_,
                                            page_procedure, reinterpret_cast<LPARAM>(this));
        ::SetWindowPos(pages_[page], HWND_TOP, at.left, at.top, size.cx, size.cy, SWP_NOACTIVATE);
    }
    HWND program = pages_[0];
    skin(program, IDC_PROGRAM_RIGHT_MOLAR, K::two_state, skin::program_right_molar);
    skin(program, IDC_PROGRAM_INCISOR, K::two_state, skin::program_incisor);
    skin(program, IDC_PROGRAM_LEFT_MOLAR, K::two_state, skin::program_left_molar);
    skin(program, IDC_PROGRAM_TMJ_RIGHT, K::two_state, skin::program_tmj_right);
    skin(program, IDC_PROGRAM_SINUS, K::two_state, skin::program_sinus);
    skin(program, IDC_PROGRAM_TMJ_LEFT, K::two_state, skin::program_tmj_left);
    skin(program, IDC_PROGRAM_FOUR_VIEWS, K::three_state, skin::four_view_tmj, true);
    skin(program, IDC_PROGRAM_CEPH, K::two_state, skin::program_ceph);
    ::ShowWindow(::GetDlgItem(program, IDC_PROGRAM_CEPH), SW_HIDE);
    HWND patient = pages_[1];
    skin(patient, IDC_PATIENT_ADULT, K::two_state, skin::patient_adult);
    skin(patient, IDC_PATIENT_CHILD, K::two_state, skin::patient_child);
    skin(patient, IDC_PATIENT_LOW, K::two_state, skin::patient_low);
    skin(patient, IDC_PATIENT_AVERAGE, K::two_state, skin::patient_average);
    skin(patient, IDC_PATIENT_HIGH, K::two_state, skin::patient_high);
    HWND parameters = pages_[2];
    skin(parameters, IDC_KV_MINUS, K::auto_repeat, skin::kv_minus);
    skin(parameters, IDC_KV_PLUS, K::auto_repeat, skin::kv_plus);
    skin(parameters, IDC_MA_MINUS, K::auto_repeat, skin::ma_minus);
    skin(parameters, IDC_MA_PLUS, K::auto_repeat, skin::ma_plus);
    skin(parameters, IDC_MEMORY, K::push, skin::memory);
    for (int id : kPageValueDisplays) skin(parameters, id, K::value_display, skin::page_value_display).set_font(24);

    for (int page = 0; page < 3; ++page)
        for (const Placement& p : page_placements(page))
            if (HWND control = ::GetDlgItem(pages_[page], p.id))
                move(control, page_control_origin(p, size.cx, size.cy));
}

void ConsoleWindow::create_tooltips() {
    tooltips_ = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog_, nullptr,
                                  module_.instance, nullptr);
    if (!tooltips_) return;
    for (const Tip& tip : kTips) {
        std::string text = module_.language.text(tip.text);
        TOOLINFOA info{};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = dialog_;
        info.uId = reinterpret_cast<UINT_PTR>(::GetDlgItem(dialog_, tip.id));
        info.lpszText = text.data();
        ::SendMessageA(tooltips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    }
    ::SendMessageA(tooltips_, TTM_ACTIVATE, TRUE, 0);
}

void ConsoleWindow::show_page(int page) {
    page_ = page;
    for (int p = 0; p < 3; ++p) ::ShowWindow(pages_[p], p == page ? SW_SHOW : SW_HIDE);
    main(IDC_PAGE_SELECTOR).set_state(page);
    for (int p = 0; p < 3; ++p)
        main(kPageCaptions[p]).set_text_colour(p == page ? kCurrentPageColour : ::GetSysColor(COLOR_BTNTEXT));
}

// --- Drawing ------------------------------------------------------------------------

void ConsoleWindow::paint_background(HDC dc) {
    UniqueDc source(::CreateCompatibleDC(dc));
    HGDIOBJ previous = ::SelectObject(source.get(), background_.get());
    const SIZE size = bitmap_size(background_.get());
    ::BitBlt(dc, 0, 0, size.cx, size.cy, source.get(), 0, 0, SRCCOPY);
    ::SelectObject(source.get(), previous);
}

void ConsoleWindow::draw_item(const DRAWITEMSTRUCT& item) {
    const int width = item.rcItem.right - item.rcItem.left;
    const int height = item.rcItem.bottom - item.rcItem.top;
    if (item.CtlID == IDC_PAGE_FRAME) {
        UniqueDc source(::CreateCompatibleDC(item.hDC));
        HGDIOBJ previous = ::SelectObject(source.get(), frame_.get());
        ::BitBlt(item.hDC, 0, 0, width, height, source.get(), 0, 0, SRCCOPY);
        ::SelectObject(source.get(), previous);
    } else if (item.CtlID == IDC_PREVIEW) {
        ::FillRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        if (!preview_) return;
        const SIZE size = bitmap_size(preview_.get());
        UniqueDc source(::CreateCompatibleDC(item.hDC));
        HGDIOBJ previous = ::SelectObject(source.get(), preview_.get());
        ::SetStretchBltMode(item.hDC, HALFTONE);
        ::StretchBlt(item.hDC, 0, 0, width, height, source.get(), 0, 0, size.cx, size.cy, SRCCOPY);
        ::SelectObject(source.get(), previous);
    }
}

bool ConsoleWindow::set_cursor(HWND over) {
    if (!module_.hand_cursor || !over) return false;
    bool hand = false;
    for (int page = 0; page < 3; ++page)
        if (::GetParent(over) == pages_[page]) hand = true;
    if (::GetParent(over) == dialog_)
        for (int id : kHandButtons)
            if (::GetDlgCtrlID(over) == id) hand = true;
    if (hand) ::SetCursor(module_.hand_cursor);
    return hand;
}

void ConsoleWindow::show_preview(HGLOBAL dib, LPARAM filled_columns) {
    if (!dib) return;
    GlobalLock<BITMAPINFOHEADER> lock(dib);
    const BITMAPINFOHEADER* header = lock.get();
    if (!header || header->biSize < sizeof(BITMAPINFOHEADER)) return;
    const SIZE_T size = ::GlobalSize(dib);
    const DWORD colours = header->biBitCount == 8 ? 256 : 0;
    const SIZE_T offset = header->biSize + colours * sizeof(RGBQUAD);
    const long long height = header->biHeight < 0 ? -static_cast<long long>(header->biHeight) : header->biHeight;
    const long long stride = ((static_cast<long long>(header->biWidth) * header->biBitCount + 31) / 32) * 4;
    if (header->biWidth <= 0 || offset + stride * height > size) return;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(header);
    HDC dc = ::GetDC(dialog_);
    preview_.reset(::CreateDIBitmap(dc, header, CBM_INIT, bytes + offset, reinterpret_cast<const BITMAPINFO*>(header),
                                    DIB_RGB_COLORS));
    // The demonstration build shows only the columns the driver has filled so far.
    if (preview_ && demonstration_build()) mask_preview(dc, static_cast<HBITMAP>(preview_.get()), filled_columns);
    ::ReleaseDC(dialog_, dc);
    ::InvalidateRect(::GetDlgItem(dialog_, IDC_PREVIEW), nullptr, FALSE);
}

// --- Commands -----------------------------------------------------------------------

void ConsoleWindow::play_prompt(std::uint16_t prompt) const {
    if (voice_) voice_->play(prompt);
}

void ConsoleWindow::show_command_failure(int code) {
    main(IDC_MESSAGE_DISPLAY).set_text(module_.language.text(kErrorText));
    main(IDC_CODE_DISPLAY).set_text(formatted_code("E%d", code));
}

void ConsoleWindow::send(std::uint16_t word) {
    const int result = module_.link.command(word);
    if (result != 0) {
        show_command_failure(result);
        return;
    }
    refresh_from_unit();
    if (const auto prompt = command_prompt(word)) play_prompt(*prompt);
}

void ConsoleWindow::on_command(int id) {
    switch (id) {
        case IDC_EXIT: end(kConsoleLeft); return;
        case IDC_PAGE_SELECTOR: show_page(main(IDC_PAGE_SELECTOR).state()); return;
        case IDC_CAPTION_PROGRAM_PAGE: show_page(0); return;
        case IDC_CAPTION_PATIENT_PAGE: show_page(1); return;
        case IDC_CAPTION_PARAMETERS_PAGE: show_page(2); return;
        case IDC_VOICE_HELP: {
            SkinnedControl& button = main(IDC_VOICE_HELP);
            button.set_state(voice_ && voice_->set_switch(button.state() == 1) ? 1 : 0);
            return;
        }
        case IDC_INFORMATION: open_information_menu(); return;
        case IDC_READY_LAMP:
            if (demonstration_build()) module_.link.command(kDemonstrationCommand);
            return;
        case IDC_LASER: send(0x020A); return;
        case IDC_MOVEMENT_RESET: send(0x0009); return;
        case IDC_DEMONSTRATION: send(main(IDC_DEMONSTRATION).state() == 0 ? 0x0107 : 0x0007); return;
        default: return;
    }
}

void ConsoleWindow::on_page_command(int page, int id) {
    if (page == 0 && id == IDC_PROGRAM_FOUR_VIEWS) {
        const bool tmj = on_page(0, IDC_PROGRAM_TMJ_RIGHT).state() == 1 || on_page(0, IDC_PROGRAM_TMJ_LEFT).state() == 1;
        if (tmj && on_page(0, IDC_PROGRAM_LEFT_MOLAR).state() == 0)
            send(command::four_view_tmj);
        else
            on_page(0, IDC_PROGRAM_FOUR_VIEWS).set_state(0);
        return;
    }
    if (page == 0 && (id == IDC_PROGRAM_RIGHT_MOLAR || id == IDC_PROGRAM_INCISOR || id == IDC_PROGRAM_LEFT_MOLAR)) {
        send(panoramic_command(on_page(0, IDC_PROGRAM_RIGHT_MOLAR).state() == 1,
                               on_page(0, IDC_PROGRAM_INCISOR).state() == 1,
                               on_page(0, IDC_PROGRAM_LEFT_MOLAR).state() == 1));
        // The combination is spoken once the operator has stopped clicking.
        ::SetTimer(dialog_, kBlocksPromptTimer, kBlocksPromptDelay, nullptr);
        return;
    }
    struct PageCommand {
        int page, id;
        std::uint16_t word;
    };
    constexpr PageCommand kPageCommands[] = {
        {0, IDC_PROGRAM_TMJ_RIGHT, 0x0104}, {0, IDC_PROGRAM_TMJ_LEFT, 0x0104}, {0, IDC_PROGRAM_SINUS, 0x0204},
        {0, IDC_PROGRAM_CEPH, 0x0404},      {1, IDC_PATIENT_ADULT, 0x0105},   {1, IDC_PATIENT_CHILD, 0x0005},
        {1, IDC_PATIENT_LOW, 0x0006},       {1, IDC_PATIENT_AVERAGE, 0x0106}, {1, IDC_PATIENT_HIGH, 0x0206},
        {2, IDC_KV_PLUS, 0x0001},           {2, IDC_KV_MINUS, 0x0101},        {2, IDC_MA_PLUS, 0x0002},
        {2, IDC_MA_MINUS, 0x0102},          {2, IDC_MEMORY, 0x0008},
    };
    for (const PageCommand& c : kPageCommands)
        if (c.page == page && c.id == id) send(c.word);
}

void ConsoleWindow::open_information_menu() {
    HWND button = ::GetDlgItem(dialog_, IDC_INFORMATION);
    RECT at{};
    ::GetWindowRect(button, &at);
    int chosen = 0;
    if (module_.technical_access && full_menu_) {
        // Both submenus of the full menu, lent to a popup of our own for the time it is open.
        HMENU popup = ::CreatePopupMenu();
        const std::string help = module_.language.text(kMenuHelp);
        const std::string maintenance = module_.language.text(kMenuMaintenance);
        ::AppendMenuA(popup, MF_POPUP | MF_STRING,
                      reinterpret_cast<UINT_PTR>(::GetSubMenu(full_menu_.get(), 0)), help.c_str());
        ::AppendMenuA(popup, MF_POPUP | MF_STRING,
                      reinterpret_cast<UINT_PTR>(::GetSubMenu(full_menu_.get(), 1)), maintenance.c_str());
        chosen = ::TrackPopupMenu(popup, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, at.right, at.top, 0, dialog_,
                                  nullptr);
        ::RemoveMenu(popup, 1, MF_BYPOSITION);
        ::RemoveMenu(popup, 0, MF_BYPOSITION);
        ::DestroyMenu(popup);
    } else if (short_menu_) {
        chosen = ::TrackPopupMenu(::GetSubMenu(short_menu_.get(), 0), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                  at.right, at.top, 0, dialog_, nullptr);
    }
    if (chosen) serve_menu_command(chosen);
}

void ConsoleWindow::serve_menu_command(int id) {
    const auto served = console_menu_command(id);
    if (!served) {
        open_maintenance_screen(*this, module_, id);
        return;
    }
    if (served->ask_first && ::MessageBoxA(dialog_, module_.language.text(kAreYouSure).c_str(),
                                           message_title().c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    const int result = module_.link.command(served->command);
    using F = MenuCommand::Failure;
    if (result == 0) {
        if (served->failure == F::console_error) refresh_from_unit();
        return;
    }
    if (served->failure == F::console_error) show_command_failure(result);
    if (served->failure == F::values_text)
        show_message(module_.language.text(kReinitialisationFailed));
}

// --- Unit state ---------------------------------------------------------------------

void ConsoleWindow::refresh_from_unit() {
    std::array<std::uint16_t, words::programs> programs{};
    std::array<std::uint16_t, words::parameters> parameters{};
    if (module_.link.read(address::programs, words::programs, programs.data()) != 0 ||
        module_.link.read(address::parameters, words::parameters, parameters.data()) != 0)
        return;
    programs_ = programs;
    show_values(parameters);
    show_selection(programs);
    if (module_.record) apply_unit_program(*module_.record, programs, parameters);
}

void ConsoleWindow::show_values(const std::array<std::uint16_t, 5>& q) {
    const std::string texts[] = {kv_text(q[0]), ma_text(q[1]), time_text(q[2]), dose_text(q[4])};
    for (int i = 0; i < 4; ++i) {
        main(kValueDisplays[i]).set_text(texts[i]);
        on_page(2, kPageValueDisplays[i]).set_text(texts[i]);
    }
}

void ConsoleWindow::show_selection(const std::array<std::uint16_t, 7>& programs) {
    const Selection s = selection_of(programs);
    const auto lamp = [&](int id, bool on) { main(id).set_state(on ? 1 : 0); };
    const auto button = [&](int page, int id, bool on) { on_page(page, id).set_state(on ? 1 : 0); };
    lamp(IDC_RECAP_TMJ_RIGHT, s.tmj_right);
    lamp(IDC_RECAP_TMJ_LEFT, s.tmj_left);
    lamp(IDC_RECAP_INCISOR, s.incisor);
    lamp(IDC_RECAP_RIGHT_MOLAR, s.right_molar);
    lamp(IDC_RECAP_LEFT_MOLAR, s.left_molar);
    lamp(IDC_RECAP_SINUS, s.sinus);
    lamp(IDC_RECAP_ADULT, s.adult);
    lamp(IDC_RECAP_CHILD, s.child);
    main(IDC_RECAP_BODY_SIZE).set_state(s.body_size);
    main(IDC_DEMONSTRATION).set_state(s.xray_mode);
    button(0, IDC_PROGRAM_TMJ_RIGHT, s.tmj_right);
    button(0, IDC_PROGRAM_TMJ_LEFT, s.tmj_left);
    button(0, IDC_PROGRAM_INCISOR, s.incisor);
    button(0, IDC_PROGRAM_RIGHT_MOLAR, s.right_molar);
    button(0, IDC_PROGRAM_LEFT_MOLAR, s.left_molar);
    button(0, IDC_PROGRAM_SINUS, s.sinus);
    button(0, IDC_PROGRAM_FOUR_VIEWS, s.four_views);
    button(1, IDC_PATIENT_ADULT, s.adult);
    button(1, IDC_PATIENT_CHILD, s.child);
    button(1, IDC_PATIENT_LOW, s.body_size == 0);
    button(1, IDC_PATIENT_AVERAGE, s.body_size == 1);
    button(1, IDC_PATIENT_HIGH, s.body_size == 2);
    ::ShowWindow(::GetDlgItem(dialog_, IDC_LABEL_X4), s.four_views ? SW_SHOW : SW_HIDE);
}

// --- Timers -------------------------------------------------------------------------

void ConsoleWindow::on_timer(UINT_PTR id) {
    // Each timer is stopped while its handler runs, so that a slow link or a modal box
    // never queues handlers behind it.
    ::KillTimer(dialog_, id);
    switch (id) {
        case kStatusTimer:
            poll_status();
            if (!ending_) ::SetTimer(dialog_, kStatusTimer, kStatusPeriod, nullptr);
            return;
        case kCoolingTimer:
            poll_cooling();
            if (!ending_) ::SetTimer(dialog_, kCoolingTimer, kCoolingPeriod, nullptr);
            return;
        case kBlocksPromptTimer: {
            const std::uint16_t word = panoramic_command(on_page(0, IDC_PROGRAM_RIGHT_MOLAR).state() == 1,
                                                         on_page(0, IDC_PROGRAM_INCISOR).state() == 1,
                                                         on_page(0, IDC_PROGRAM_LEFT_MOLAR).state() == 1);
            if (const auto prompt = blocks_prompt(static_cast<std::uint8_t>(word >> 8))) play_prompt(*prompt);
            return;
        }
        case kWatchdogTimer:
            watchdog_running_ = false;
            watchdog_expired();
            return;
        default: return;
    }
}

void ConsoleWindow::poll_cooling() {
    if (!module_.link.is_open() && !demonstration_build()) return;
    SkinnedControl& cooling = main(IDC_COOLING_DISPLAY);
    if (const auto text = refresh_cooling(module_, cooling.text())) cooling.set_text(*text);
}

void ConsoleWindow::communication_lost() {
    main(IDC_MESSAGE_DISPLAY).set_text(module_.language.text(kCommunicationProblem));
    main(IDC_READY_LAMP).set_state(0);
    main(IDC_EMISSION_LAMP).set_state(0);
    for (int id : kValueDisplays) main(id).clear();
    main(IDC_CODE_DISPLAY).clear();
}

void ConsoleWindow::poll_status() {
    // The demonstration build polls a closed link too, and says the unit does not answer.
    if (!module_.link.is_open() && !demonstration_build()) return;
    const bool in_front = ::GetForegroundWindow() == dialog_;
    switch (foreground_step(calibration_running_ || exposure_in_progress_, in_front, active_)) {
        case ForegroundStep::send_active: module_.link.command(command::console_active); break;
        case ForegroundStep::send_inactive: module_.link.command(command::console_inactive); return;
        case ForegroundStep::none: break;
    }

    std::array<std::uint16_t, words::status> words{};
    if (module_.link.read(address::status, words::status, words.data()) != 0) {
        communication_lost();
        return;
    }
    const StatusBlock status = decode_status(words);
    main(IDC_READY_LAMP).set_state(status.ready ? 1 : 0);
    beep_counter_ = (beep_counter_ + 1) % 4;

    if (status.emission) {
        main(IDC_EMISSION_LAMP).set_state(1);
        if (beep_counter_ == 3) ::MessageBeep(0xFFFFFFFF);
        if (imaging_family(status.program_family()) && watchdog_period_ != 0 && !watchdog_running_) {
            ::SetTimer(dialog_, kWatchdogTimer, watchdog_period_, nullptr);
            watchdog_running_ = true;
        }
    } else {
        main(IDC_EMISSION_LAMP).set_state(0);
    }
    main(IDC_LASER).set_state(status.laser ? 1 : 0);

    if (status.maintenance_access && !module_.technical_access) {
        module_.technical_access = true;
        log_technical_access();
    } else if (!status.maintenance_access && module_.technical_access) {
        module_.technical_access = false;
    }

    if (status.error_code != 0) {
        show_error(status);
        return;
    }
    show_values(status.parameters);
    show_machine_state(status);
}

void ConsoleWindow::show_error(const StatusBlock& status) {
    const std::uint16_t code = status.error_code;
    const std::string text = module_.language.text(static_cast<std::uint16_t>(700 + code));
    SkinnedControl& message = main(IDC_MESSAGE_DISPLAY);
    // An error is answered once; it is answered again only when it comes back after
    // the console has shown something else.
    if (message.text() == text) return;
    message.set_text(text);
    log_error(code);
    module_.link.show_text(text);
    module_.link.show_code(code, CodeKind::error);
    unit_text_.reset();
    main(IDC_CODE_DISPLAY).set_text(formatted_code("E%.2d", code));
    refresh_time(module_);
    play_prompt(error_prompt(code));

    const int family = status.program_family();
    const std::uint16_t xray_mode = status.programs[6];
    ErrorAnswer answer = error_answer(code);
    // The demonstration build answers 59 as any other error, and opens the dialogs of
    // errors 1, 55 and 57 without an owner.
    if (demonstration_build() && answer == ErrorAnswer::program_evolution) answer = ErrorAnswer::retry_or_cancel;
    const HWND owner = demonstration_build() && (code == 1 || code == 55 || code == 57) ? nullptr : dialog_;
    switch (answer) {
        case ErrorAnswer::handswitch:
            show_handswitch_error(owner, module_);
            if (family < 4 && xray_mode != 0) {
                notify(contract::kNotifyCancel);
                notify(contract::kNotifyEnd);
                end(kConsoleLeft);
            }
            return;
        case ErrorAnswer::blocking_dialog:
            if (show_parameters_error(owner, module_, code)) {
                end(kConsoleEnded);
                notify(contract::kNotifyCancel);
            }
            return;
        case ErrorAnswer::stored_parameters:
            show_stored_parameters_error(owner, module_);
            refresh_from_unit();
            return;
        case ErrorAnswer::program_evolution: {
            char caption[128];
            std::snprintf(caption, sizeof caption, "%s n\xB0 %d", module_.language.text(kErrorCaption).c_str(), 59);
            ::MessageBoxA(dialog_, module_.language.text(kProgramEvolutionError).c_str(), caption,
                          MB_OK | MB_ICONEXCLAMATION);
            module_.link.command(command::acknowledge);
            end(kConsoleLeft);
            return;
        }
        case ErrorAnswer::retry_or_cancel: {
            char caption[128];
            std::snprintf(caption, sizeof caption, "%s n\xB0 %d", module_.language.text(kErrorCaption).c_str(), code);
            const std::string body = module_.language.text(static_cast<std::uint16_t>(300 + code)) + "\n" +
                                     module_.language.text(kStartAgain) + "\n" + module_.language.text(kContactDealer);
            if (::MessageBoxA(dialog_, body.c_str(), caption, MB_RETRYCANCEL | MB_ICONEXCLAMATION) == IDRETRY) {
                module_.link.command(module_.technical_access ? command::acknowledge_maintenance
                                                              : command::acknowledge);
                // Should the unit keep the error, it is shown and answered again.
                message.clear();
            } else {
                end(kConsoleLeft);
            }
            return;
        }
    }
}

void ConsoleWindow::show_machine_state(const StatusBlock& status) {
    if (!status.state_not_evaluated) {
        switch (track_machine_state(status.machine_state, exposure_in_progress_)) {
            case ExposureEvent::ended:
                play_prompt(kExposureEndPrompt);
                refresh_time(module_);
                break;
            case ExposureEvent::started:
                play_prompt(kExposureStartPrompt);
                if (!calibration_running_ && status.programs[6] != 0 && imaging_family(status.program_family())) {
                    refresh_mirror(module_);
                    notify(contract::kNotifyStart);
                }
                break;
            case ExposureEvent::none: break;
        }
    }
    if (status.any_state_bit) {
        main(IDC_CODE_DISPLAY).clear();
        if (const auto text = motion_text(status.machine_state, status.programs[6])) show_state_text(*text);
        return;
    }
    scan_indicators(status);
}

void ConsoleWindow::scan_indicators(const StatusBlock& status) {
    indicator_counter_ = (indicator_counter_ + 1) % 16;
    if (indicator_counter_ != 0) return;
    const IndicatorScan scan = ventra::scan_indicators(status.indicators, indicator_index_);
    indicator_index_ = scan.next_index;
    if (!scan.shown) {
        show_state_text(kReadyText);
        main(IDC_CODE_DISPLAY).clear();
        return;
    }
    show_state_text(scan.shown->text);
    main(IDC_CODE_DISPLAY).set_text(formatted_code("I%.2d", scan.shown->information_code));
    module_.link.show_code(scan.shown->information_code, CodeKind::information);
    if (status.indicator_prompts) play_prompt(scan.shown->prompt);
    constexpr std::uint16_t kInterfaceInactive = 51;
    if (scan.shown->text == kInterfaceInactive && active_) module_.link.command(command::console_active);
}

void ConsoleWindow::show_state_text(std::uint16_t text) {
    const std::string words = state_text(module_.language, text);
    main(IDC_MESSAGE_DISPLAY).set_text(words);
    if (unit_text_ != text) {
        module_.link.show_text(words);
        unit_text_ = text;
    }
}

void ConsoleWindow::watchdog_expired() {
    for (UINT_PTR id : {kStatusTimer, kCoolingTimer, kBlocksPromptTimer, kWatchdogTimer}) ::KillTimer(dialog_, id);
    module_.link.command(command::console_inactive);
    end(kConsoleEnded);
    const std::string text =
        module_.language.text(kImageReceptionProblem) + "\n" + module_.language.text(kImageReceptionContact);
    ::MessageBoxA(dialog_, text.c_str(), module_.language.text(kErrorCaption).c_str(), MB_OK | MB_ICONSTOP);
}

// --- The end ------------------------------------------------------------------------

void ConsoleWindow::notify(int code) const {
    if (notify_) notify_(code);
}

void ConsoleWindow::end(INT_PTR result) {
    ending_ = true;
    ::EndDialog(dialog_, result);
}

void ConsoleWindow::finish() {
    if (finished_) return;
    finished_ = true;
    notify(contract::kNotifyCancel);
    notify(contract::kNotifyEnd);
    // The demonstration build tries both on a closed link too; it has no watchdog timer.
    if (module_.link.is_open() || demonstration_build()) {
        log_counters(module_.link);
        module_.link.command(command::console_inactive);
    }
    for (UINT_PTR id : {kStatusTimer, kCoolingTimer, kBlocksPromptTimer}) ::KillTimer(dialog_, id);
    if (!demonstration_build()) ::KillTimer(dialog_, kWatchdogTimer);
    preview_.reset();
    full_menu_.reset();
    short_menu_.reset();
    if (module_.link.is_open()) write_configuration_report(module_.link, module_.language);
}

}  // namespace np::ventra
