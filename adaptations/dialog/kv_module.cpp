// Kv80 and Kv40: the operator picks the program on an image of the unit's panel
// before every exposure. Each DLL is built with the function returning its model
// (NP_DIALOG_MODEL) and its own dialog resource.
#include <windows.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "adaptations/dialog/dialog_settings.h"
#include "adaptations/dialog/dialog_window.h"
#include "adaptations/dialog/kv_panel.h"
#include "adaptations/dialog/resources/dialog_ids.h"
#include "common/acquisition_record.h"
#include "common/adaptation_contract.h"
#include "common/pixel_size.h"
#include "common/sensor_lines.h"
#include "common/version_record.h"

namespace np::dialog {
namespace {

constexpr COLORREF kPanelColour = RGB(190, 190, 190);
constexpr COLORREF kHighlightText = RGB(0, 0, 255);

const KvModel& model() {
    return NP_DIALOG_MODEL();
}

struct KvDialog {
    KvPanel panel;
    std::array<std::string, kKvPrograms> names;
    UniqueGdiObject title_font;
    UniqueGdiObject panel_brush;
};

std::array<std::string, kKvPrograms> load_program_names() {
    std::array<std::string, kKvPrograms> names;
    for (int index = 0; index < kKvPrograms; ++index) {
        if (!is_offered(model(), index)) continue;
        const int program = index + kKvFirstProgram;
        names[index] = kv_program_name(read_program_name(model().key, program), program);
    }
    return names;
}

void show_values(HWND window, const KvDialog& dialog) {
    const KvPanel& panel = dialog.panel;
    show_text(window, IDC_MA, std::to_string(panel.ma()));
    show_text(window, IDC_KV, std::to_string(panel.kv()));
    show_text(window, IDC_EXPOSURE_TIME, panel.time_text());
    show_text(window, IDC_PROGRAM_NAME, dialog.names[panel.index()]);
}

void show_selection(HWND window, Selection selection) {
    const int kv = selection == Selection::kv ? SW_SHOW : SW_HIDE;
    const int ma = selection == Selection::ma ? SW_SHOW : SW_HIDE;
    ::ShowWindow(::GetDlgItem(window, IDC_KV_MARK_VERTICAL), kv);
    ::ShowWindow(::GetDlgItem(window, IDC_KV_MARK_HORIZONTAL), kv);
    ::ShowWindow(::GetDlgItem(window, IDC_MA_MARK_VERTICAL), ma);
    ::ShowWindow(::GetDlgItem(window, IDC_MA_MARK_HORIZONTAL), ma);
    ::InvalidateRect(::GetDlgItem(window, IDC_KV), nullptr, TRUE);
    ::InvalidateRect(::GetDlgItem(window, IDC_MA), nullptr, TRUE);
}

bool highlighted(const KvPanel& panel, int control) {
    return control == IDC_PROGRAM_NAME ||
           (control == IDC_KV && panel.selection() == Selection::kv) ||
           (control == IDC_MA && panel.selection() == Selection::ma);
}

void open_dialog(HWND window, KvDialog& dialog) {
    dialog.title_font = create_title_font();
    for (int control : {IDC_MODEL_NAME, IDC_MINUS, IDC_PLUS})
        use_font(window, control, dialog.title_font);
    dialog.panel_brush.reset(::CreateSolidBrush(kPanelColour));
    show_values(window, dialog);
    show_selection(window, dialog.panel.selection());
    centre_on_screen(window);
}

bool press(HWND window, KvDialog& dialog, int control) {
    KvPanel& panel = dialog.panel;
    switch (control) {
        case IDC_PROG:
            panel.prog();
            break;
        case IDC_SELECT:
            panel.select();
            show_selection(window, panel.selection());
            return true;
        case IDC_MINUS:
            panel.minus();
            break;
        case IDC_PLUS:
            panel.plus();
            break;
        case IDOK:
        case IDCANCEL:
            ::EndDialog(window, control);
            return true;
        default:
            return false;
    }
    show_values(window, dialog);
    return true;
}

INT_PTR CALLBACK dialog_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrA(window, DWLP_USER, lparam);
        open_dialog(window, *reinterpret_cast<KvDialog*>(lparam));
        return TRUE;
    }
    auto* dialog = reinterpret_cast<KvDialog*>(::GetWindowLongPtrA(window, DWLP_USER));
    if (!dialog) return FALSE;
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wparam) != BN_CLICKED) return FALSE;
            return press(window, *dialog, LOWORD(wparam));
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC: {
            if (!highlighted(dialog->panel, ::GetDlgCtrlID(reinterpret_cast<HWND>(lparam))))
                return FALSE;
            const HDC dc = reinterpret_cast<HDC>(wparam);
            ::SetTextColor(dc, kHighlightText);
            ::SetBkColor(dc, kPanelColour);
            return reinterpret_cast<INT_PTR>(dialog->panel_brush.get());
        }
        default:
            return FALSE;
    }
}

int read_comm_data(HWND host, AcquisitionRecord* record) {
    if (!record) return kDialogFailed;
    KvDialog dialog{KvPanel(model(), read_choice(model().key)), load_program_names(), {}, {}};
    const INT_PTR result = ::DialogBoxParamA(module_instance(), MAKEINTRESOURCEA(IDD_PROGRAM), host,
                                             dialog_procedure, reinterpret_cast<LPARAM>(&dialog));
    if (result != IDOK && result != IDCANCEL) return kDialogFailed;
    if (result == IDCANCEL) return contract::kReadCancelled;

    const KvPanel& panel = dialog.panel;
    const ProgramLayout* layout = kv_layout(model(), panel.program());
    const AcquisitionRecord filled = panel.record(
        read_overrides(model().key, panel.program(), 'W', layout ? layout->sections : 0));
    remember_choice(model().key, panel.remembered());
    std::memcpy(record, &filled, sizeof filled);
    return 0;
}

int get_timing(int program, int* gaps) {
    const ProgramLayout* layout = kv_layout(model(), program);
    return timing_with_overrides(model().key, program, layout, gaps);
}

int resolution(double* x, double* y) {
    return report_pixel_size(kv_pixel_size(model(), read_last_program(model().key)), x, y);
}

}  // namespace
}  // namespace np::dialog

using np::AcquisitionRecord;

extern "C" {

// There is no link to the unit.
int OpenCommPort() {
    return 0;
}

int ReadCommData(HWND host, AcquisitionRecord* record) {
    try {
        return np::dialog::read_comm_data(host, record);
    } catch (...) {
        return np::dialog::kDialogFailed;
    }
}

void ReArrangement(std::uint16_t* dest, int samples, const std::uint16_t* src) {
    np::rearrange_contract_lines(dest, samples, src, np::LineOrder::forward);
}

int GetTiming(int program, int gaps[np::kMaxSections]) {
    try {
        return np::dialog::get_timing(program, gaps);
    } catch (...) {
        return np::dialog::kUnknownProgramTimeout;
    }
}

int bResolution(double* x, double* y) {
    try {
        return np::dialog::resolution(x, y);
    } catch (...) {
        return 0;
    }
}

int nCanCombineATM(int first, int second) {
    return np::dialog::kv_combined_program(first, second);
}

// Exported by Kv40 only: its unit scans forward and its images need no correction.
bool bHaveToMirror() {
    return false;
}
bool bPostProcess(std::uint8_t*, int, int) {
    return true;
}

// A fresh record per call, from this module's heap; nothing here releases it.
np::VersionRecord* pKXGetVersion() {
    const np::dialog::ModuleVersion& version = np::dialog::model().version;
    return np::new_version_record(version.name, version.version, version.date);
}

}  // extern "C"
