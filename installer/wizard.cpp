#include "installer/wizard.h"

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "installer/install_actions.h"
#include "installer/resources/installer_ids.h"
#include "installer/wizard_flow.h"

namespace np::install {
namespace {

constexpr const char* kWindowClass = "PANOWClass";
constexpr WPARAM kBuildWizardCommand = 1;
constexpr const char* kPciPorts[] = {"PCI COM", "COM1", "COM2", "COM3", "COM4"};
constexpr const char* kComPorts[] = {"COM1", "COM2", "COM3", "COM4"};

struct Wizard;

struct PageContext {
    Wizard* wizard = nullptr;
    int id = 0;
};

struct Wizard {
    HINSTANCE resources = nullptr;
    HWND main_window = nullptr;
    int install_mode = 0;
    Os os = Os::none;
    FlowState flow;
    std::optional<InstallerRecord> record;
    bool installed = false;
    std::array<PageContext, kPages.size()> pages{};
};

// --- controls ---------------------------------------------------------------------

bool checked(HWND page, int control) {
    return ::IsDlgButtonChecked(page, control) == BST_CHECKED;
}

void check(HWND page, int control, bool on = true) {
    ::CheckDlgButton(page, control, on ? BST_CHECKED : BST_UNCHECKED);
}

std::string text_of(HWND page, int control) {
    char text[256] = {};
    ::GetDlgItemTextA(page, control, text, sizeof text);
    return text;
}

template <std::size_t N>
void fill_ports(HWND page, const char* const (&ports)[N]) {
    const HWND list = ::GetDlgItem(page, IDC_PORT);
    ::SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (const char* port : ports)
        ::SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(port));
    ::SendMessageA(list, CB_SETCURSEL, 0, 0);
}

void select_port(HWND page, const std::string& port) {
    const HWND list = ::GetDlgItem(page, IDC_PORT);
    const LRESULT at = ::SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(port.c_str()));
    ::SendMessageA(list, CB_SETCURSEL, at == CB_ERR ? 0 : at, 0);
}

std::string selected_port(HWND page) {
    const HWND list = ::GetDlgItem(page, IDC_PORT);
    const LRESULT at = ::SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (at == CB_ERR) return {};
    char text[32] = {};
    ::SendMessageA(list, CB_GETLBTEXT, at, reinterpret_cast<LPARAM>(text));
    return text;
}

int name_field_count(int id) {
    switch (id) {
    case page::kv80_names: return 7;
    case page::kv40_names:
    case page::gendex_sd: return 5;
    case page::panoura: return 2;
    case page::op10:
    case page::planmeca:
    case page::belmont: return 3;
    default: return 0;
    }
}

// --- pages ------------------------------------------------------------------------

void init_page(HWND page, int id) {
    switch (id) {
    case page::welcome: check(page, IDC_FIRST_INSTALL); break;
    case page::operating_system: check(page, IDC_OS_98); break;
    case page::selection: check(page, IDC_UNIT_NORVANEPAN); break;
    case page::op100:
        check(page, IDC_CASSETTE_UNIVERSAL);
        fill_ports(page, kPciPorts);
        break;
    case page::kv80:
    case page::kv40: check(page, IDC_SERIAL_WITH); break;
    case page::kv80_serial:
    case page::kv40_serial: fill_ports(page, kPciPorts); break;
    case page::norvane_pan: {
        fill_ports(page, kComPorts);
        const HWND list = ::GetDlgItem(page, IDC_LANGUAGE);
        for (const Language& language : languages())
            ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(language.display_name));
        ::SendMessageA(list, LB_SETCURSEL, 0, 0);
        check(page, IDC_VOCALS);
        check(page, IDC_DEMO, false);
        break;
    }
    default:
        // The modules read a program name into 48 bytes, its terminating zero included.
        for (int i = 0; i < name_field_count(id); ++i)
            ::SendDlgItemMessageA(page, IDC_NAME_FIRST + i, EM_LIMITTEXT, kNameCapacity - 1, 0);
        break;
    }
}

void show_summary(const Wizard& wizard, HWND page) {
    const InstallerRecord& record = *wizard.record;
    ::SetDlgItemTextA(page, IDC_SUMMARY_OS, os_label(record.answers.os));
    ::SetDlgItemTextA(page, IDC_SUMMARY_UNIT, record.table->name);
    ::SetDlgItemTextA(page, IDC_SUMMARY_XRAY, xray_source_text(record).c_str());
    ::SetDlgItemTextA(page, IDC_SUMMARY_CONFIG, record.table->configuration_name);
}

void run_installation(Wizard& wizard, HWND page) {
    if (wizard.installed || !wizard.record) return;
    wizard.installed = true;
    const HCURSOR previous = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
    const HWND sheet = ::GetParent(page);
    InstallerRecord& record = *wizard.record;
    if (record.answers.os == Os::nt4)
        install_nt4(sheet, wizard.main_window, record);
    else
        install_by_copy(sheet, record);
    ::SetCursor(previous);
}

// Sent, not posted: the buttons are right as soon as the page shows, and stay off
// while the installation runs.
void set_buttons(HWND page, DWORD flags) {
    ::SendMessageA(::GetParent(page), PSM_SETWIZBUTTONS, 0, flags);
}

void activate_page(Wizard& wizard, HWND page, int id) {
    const Answers* answers = wizard.record ? &wizard.record->answers : nullptr;
    switch (id) {
    case page::kv80_serial:
    case page::kv40_serial:
    case page::op100:
        if (answers) select_port(page, answers->port);
        break;
    case page::generic:
        if (answers) {
            check(page, IDC_ROTATION_NORMAL, !answers->reverse_rotation);
            check(page, IDC_ROTATION_REVERSE, answers->reverse_rotation);
            ::SetDlgItemInt(page, IDC_TIMEOUT, answers->timeout_seconds, FALSE);
        }
        break;
    case page::summary: show_summary(wizard, page); break;
    default:
        if (answers && name_field_count(id) > 0)
            for (int i = 0; i < name_field_count(id) && i < static_cast<int>(answers->names.size()); ++i)
                ::SetDlgItemTextA(page, IDC_NAME_FIRST + i, answers->names[i].c_str());
        break;
    }
    const Buttons buttons = buttons_of(id);
    DWORD flags = (buttons.back ? PSWIZB_BACK : 0) | (buttons.next ? PSWIZB_NEXT : 0) |
                  (buttons.finish ? PSWIZB_FINISH : 0);
    if (id == page::installation) {
        set_buttons(page, 0);
        run_installation(wizard, page);
    }
    set_buttons(page, flags);
}

Unit checked_unit(HWND page) {
    for (int i = 0; i < kUnitCount; ++i)
        if (checked(page, IDC_UNIT_FIRST + i)) return static_cast<Unit>(i);
    return Unit::norvane_pan;
}

Os checked_os(HWND page) {
    if (checked(page, IDC_OS_NT4)) return Os::nt4;
    if (checked(page, IDC_OS_XP) || checked(page, IDC_OS_2000)) return Os::win2000xp;
    return Os::win98;
}

void create_record(Wizard& wizard, Unit unit) {
    Answers answers;
    answers.os = wizard.os;
    answers.unit = unit;
    answers.port = unit == Unit::norvane_pan ? "COM1" : "PCI COM";
    preset_from_registry(answers);
    wizard.record = make_record(answers);
    wizard.record->source_folder = locate_source_folder(wizard.os);
}

// The language module names the NorvanePan programs; English stands in for a language
// missing from the medium, and is then also the one installed.
void store_language(InstallerRecord& record, const std::string& file) {
    Answers& answers = record.answers;
    answers.language_file = file;
    if (record.source_folder.empty()) return;
    std::vector<std::string> names;
    if (language_names(record.source_folder + file, names)) {
        answers.names = names;
    } else if (language_names(record.source_folder + "NPENG.DLL", names)) {
        answers.names = names;
        answers.language_file = "NPENG.DLL";
    }
}

void leave_norvane_page(InstallerRecord& record, HWND page) {
    Answers& answers = record.answers;
    answers.port = selected_port(page);
    const LRESULT at = ::SendDlgItemMessageA(page, IDC_LANGUAGE, LB_GETCURSEL, 0, 0);
    const auto& list = languages();
    const std::string file =
        at >= 0 && at < static_cast<LRESULT>(list.size()) ? list[at].module_file : list[0].module_file;
    answers.voice = checked(page, IDC_VOCALS);
    answers.demonstration = checked(page, IDC_DEMO);
    store_language(record, file);
}

// Next on a page: the answers it holds are taken, and the page it leads to returned.
int leave_page(Wizard& wizard, HWND page, int id) {
    InstallerRecord* record = wizard.record ? &*wizard.record : nullptr;
    switch (id) {
    case page::welcome:
        wizard.install_mode = checked(page, IDC_DRIVER_UPDATE) ? 1 : 0;
        wizard.flow.delete_demonstration = checked(page, IDC_DELETE_DEMO);
        if (wizard.flow.delete_demonstration) delete_demonstration(install_folder());
        break;
    case page::operating_system: wizard.os = checked_os(page); break;
    case page::selection:
        wizard.flow.unit = checked_unit(page);
        if (wizard.flow.unit != Unit::other) create_record(wizard, wizard.flow.unit);
        break;
    case page::kv80:
    case page::kv40:
        wizard.flow.serial_line = checked(page, IDC_SERIAL_WITH);
        if (record) record->answers.serial_line = wizard.flow.serial_line;
        break;
    case page::op100:
        if (record) record->answers.specific_cassette = checked(page, IDC_CASSETTE_SPECIFIC);
        [[fallthrough]];
    case page::kv80_serial:
    case page::kv40_serial:
        if (record) record->answers.port = selected_port(page);
        break;
    case page::norvane_pan:
        if (record) leave_norvane_page(*record, page);
        break;
    case page::generic:
        if (record) {
            record->answers.reverse_rotation = checked(page, IDC_ROTATION_REVERSE);
            BOOL read = FALSE;
            const UINT seconds = ::GetDlgItemInt(page, IDC_TIMEOUT, &read, FALSE);
            if (read) record->answers.timeout_seconds = static_cast<int>(seconds);
        }
        break;
    case page::mask:
        if (checked(page, IDC_COPY_MASK)) copy_mask(wizard.os);
        break;
    default:
        if (record)
            for (int i = 0; i < name_field_count(id) && i < static_cast<int>(record->answers.names.size()); ++i)
                record->answers.names[i] = text_of(page, IDC_NAME_FIRST + i);
        break;
    }
    return next_page(id, wizard.flow);
}

INT_PTR page_result(HWND page, LONG_PTR result) {
    ::SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR page_message(HWND page, UINT message, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        auto* sheet_page = reinterpret_cast<PROPSHEETPAGEA*>(lparam);
        auto* context = reinterpret_cast<PageContext*>(sheet_page->lParam);
        ::SetWindowLongPtrA(page, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(context));
        init_page(page, context->id);
        return TRUE;
    }
    auto* context = reinterpret_cast<PageContext*>(::GetWindowLongPtrA(page, GWLP_USERDATA));
    if (message != WM_NOTIFY || !context) return FALSE;
    Wizard& wizard = *context->wizard;
    switch (reinterpret_cast<NMHDR*>(lparam)->code) {
    case PSN_SETACTIVE:
        activate_page(wizard, page, context->id);
        return page_result(page, 0);
    case PSN_WIZNEXT: {
        const int next = leave_page(wizard, page, context->id);
        return page_result(page, next ? next : -1);
    }
    case PSN_WIZBACK: {
        const int back = back_page(context->id);
        return page_result(page, back ? back : -1);
    }
    case PSN_WIZFINISH: return page_result(page, 0);
    default: return FALSE;
    }
}

// No exception may unwind through the system's dialog code.
INT_PTR CALLBACK page_procedure(HWND page, UINT message, WPARAM, LPARAM lparam) {
    try {
        return page_message(page, message, lparam);
    } catch (...) {
        return FALSE;
    }
}

void show_system_error(HWND owner, DWORD error) {
    char* text = nullptr;
    ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    ::MessageBoxA(owner, text ? text : "", "pCreateWizard", MB_OK | MB_ICONERROR);
    if (text) ::LocalFree(text);
}

// The main window is minimised, so the wizard would take its place from there and can
// end up partly below the screen's edge: it is centred on the work area instead.
int CALLBACK centre_sheet(HWND sheet, UINT message, LPARAM) {
    if (message != PSCB_INITIALIZED) return 0;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!::GetMonitorInfoA(::MonitorFromWindow(sheet, MONITOR_DEFAULTTOPRIMARY), &monitor)) return 0;
    const RECT area = monitor.rcWork;
    RECT frame{};
    ::GetWindowRect(sheet, &frame);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    ::SetWindowPos(sheet, nullptr, area.left + std::max(0L, (area.right - area.left - width) / 2),
                   area.top + std::max(0L, (area.bottom - area.top - height) / 2), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

void run_wizard(Wizard& wizard) {
    std::array<PROPSHEETPAGEA, kPages.size()> sheet_pages{};
    for (std::size_t i = 0; i < kPages.size(); ++i) {
        wizard.pages[i] = {&wizard, kPages[i]};
        PROPSHEETPAGEA& p = sheet_pages[i];
        p.dwSize = sizeof p;
        p.hInstance = wizard.resources;
        p.pszTemplate = MAKEINTRESOURCEA(kPages[i]);
        p.pfnDlgProc = page_procedure;
        p.lParam = reinterpret_cast<LPARAM>(&wizard.pages[i]);
    }
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_WIZARD | PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_USECALLBACK;
    header.pfnCallback = centre_sheet;
    header.hwndParent = wizard.main_window;
    header.hInstance = wizard.resources;
    header.pszCaption = kWizardCaption;
    header.nPages = static_cast<UINT>(sheet_pages.size());
    header.nStartPage = 0;
    header.ppsp = sheet_pages.data();
    if (::PropertySheetA(&header) < 0) show_system_error(wizard.main_window, ::GetLastError());
}

LRESULT CALLBACK main_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE: {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        ::PostMessageA(window, WM_COMMAND, kBuildWizardCommand, 0);
        return 0;
    }
    case WM_COMMAND:
        if (wparam == kBuildWizardCommand) {
            auto* wizard = reinterpret_cast<Wizard*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
            wizard->main_window = window;
            try {
                run_wizard(*wizard);
            } catch (...) {
                // Ends like a cancelled wizard; nothing unwinds through the window manager.
            }
            ::DestroyWindow(window);
            return 0;
        }
        break;
    case WM_DESTROY: ::PostQuitMessage(0); return 0;
    default: break;
    }
    return ::DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

int run_installer(HINSTANCE resources) {
    ::InitCommonControls();
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = main_window_procedure;
    window_class.hInstance = resources;
    window_class.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = kWindowClass;
    if (!::RegisterClassA(&window_class) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return 1;

    Wizard wizard;
    wizard.resources = resources;
    const HWND window = ::CreateWindowA(kWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                        CW_USEDEFAULT, 320, 200, nullptr, nullptr, resources, &wizard);
    if (!window) return 1;
    ::ShowWindow(window, SW_SHOWMINIMIZED);
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    ::UnregisterClassA(kWindowClass, resources);
    return 0;
}

}  // namespace np::install
