// Trevian and Brevian: the operator sets program, kV and mA with up-down controls
// before every exposure; the scan direction comes from the "Rotation" setting. Each
// DLL is built with the function returning its model (NP_DIALOG_MODEL) and its own
// dialog resource.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "adaptations/dialog/dialog_settings.h"
#include "adaptations/dialog/dialog_window.h"
#include "adaptations/dialog/resources/dialog_ids.h"
#include "adaptations/dialog/xray_panel.h"
#include "common/acquisition_record.h"
#include "common/adaptation_contract.h"
#include "common/pixel_size.h"
#include "common/scan_direction.h"
#include "common/sensor_lines.h"
#include "common/version_record.h"

namespace np::dialog {
namespace {

// Refreshed by every OpenCommPort; forward until the first.
bool g_forward_scan = true;

const XrayModel& model() {
    return NP_DIALOG_MODEL();
}

struct XrayDialog {
    XrayPanel panel;
    std::vector<std::string> names;  // by position in the model's table
    UniqueGdiObject title_font;
};

std::vector<std::string> load_program_names() {
    std::vector<std::string> names;
    for (const XrayProgram& program : model().programs) {
        const bool key_exists = program_key_exists(model().key, program.number);
        names.push_back(xray_program_name(
            program, key_exists,
            key_exists ? read_program_name(model().key, program.number) : std::nullopt));
    }
    return names;
}

void show_values(HWND window, const XrayDialog& dialog) {
    const XrayPanel& panel = dialog.panel;
    show_text(window, IDC_MA, std::to_string(panel.ma()));
    show_text(window, IDC_KV, std::to_string(panel.kv()));
    show_text(window, IDC_EXPOSURE_TIME, panel.entry().time_text);
    const auto position = &panel.entry() - model().programs.data();
    show_text(window, IDC_PROGRAM_NAME, dialog.names[static_cast<std::size_t>(position)]);
}

void set_range(HWND window, int control, int min, int max) {
    ::SendDlgItemMessageA(window, control, UDM_SETRANGE32, static_cast<WPARAM>(min), max);
}

void open_dialog(HWND window, XrayDialog& dialog) {
    dialog.title_font = create_title_font();
    use_font(window, IDC_UNIT_NAME, dialog.title_font);
    set_range(window, IDC_KV_SPIN, model().kv.min, model().kv.max);
    set_range(window, IDC_PROGRAM_SPIN, 0, static_cast<int>(model().programs.size()) - 1);
    set_range(window, IDC_MA_SPIN, model().ma.min, model().ma.max);
    show_values(window, dialog);
    centre_on_screen(window);
}

// The control's own position is not used: only the direction of its step counts.
bool step(HWND window, XrayDialog& dialog, const NMUPDOWN& change) {
    XrayPanel& panel = dialog.panel;
    switch (change.hdr.idFrom) {
        case IDC_KV_SPIN:
            panel.step_kv(change.iDelta);
            break;
        case IDC_MA_SPIN:
            panel.step_ma(change.iDelta);
            break;
        case IDC_PROGRAM_SPIN:
            panel.step_program(change.iDelta);
            break;
        default:
            return false;
    }
    show_values(window, dialog);
    return true;
}

INT_PTR CALLBACK dialog_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrA(window, DWLP_USER, lparam);
        open_dialog(window, *reinterpret_cast<XrayDialog*>(lparam));
        return TRUE;
    }
    auto* dialog = reinterpret_cast<XrayDialog*>(::GetWindowLongPtrA(window, DWLP_USER));
    if (!dialog) return FALSE;
    switch (message) {
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lparam);
            if (header->code != UDN_DELTAPOS) return FALSE;
            step(window, *dialog, *reinterpret_cast<const NMUPDOWN*>(lparam));
            ::SetWindowLongPtrA(window, DWLP_MSGRESULT, 0);  // the control may move
            return TRUE;
        }
        case WM_COMMAND:
            if (HIWORD(wparam) != BN_CLICKED) return FALSE;
            if (LOWORD(wparam) != IDOK && LOWORD(wparam) != IDCANCEL) return FALSE;
            ::EndDialog(window, LOWORD(wparam));
            return TRUE;
        default:
            return FALSE;
    }
}

int read_comm_data(HWND host, AcquisitionRecord* record) {
    if (!record) return kDialogFailed;
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&controls);
    XrayDialog dialog{XrayPanel(model(), read_choice(model().key)), load_program_names(), {}};
    const INT_PTR result = ::DialogBoxParamA(module_instance(), MAKEINTRESOURCEA(IDD_PROGRAM), host,
                                             dialog_procedure, reinterpret_cast<LPARAM>(&dialog));
    if (result != IDOK && result != IDCANCEL) return kDialogFailed;
    if (result == IDCANCEL) return contract::kReadCancelled;

    const XrayPanel& panel = dialog.panel;
    remember_choice(model().key, panel.remembered());
    const AcquisitionRecord filled = panel.record(
        read_overrides(model().key, panel.program(), 'W', panel.entry().layout.sections));
    std::memcpy(record, &filled, sizeof filled);
    return 0;
}

int get_timing(int program, int* gaps) {
    const XrayProgram* entry = find_program(model(), program);
    const ProgramLayout* layout = entry ? &entry->layout : nullptr;
    return timing_with_overrides(model().key, program, layout, gaps);
}

int resolution(double* x, double* y) {
    return report_pixel_size(xray_pixel_size(model(), read_last_program(model().key)), x, y);
}

}  // namespace
}  // namespace np::dialog

using np::AcquisitionRecord;

extern "C" {

int OpenCommPort() {
    try {
        np::dialog::g_forward_scan = np::forward_scan_setting();
    } catch (...) {
        np::dialog::g_forward_scan = true;
    }
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
    const bool mirrored = np::dialog::model().mirrors_lines && !np::dialog::g_forward_scan;
    np::rearrange_contract_lines(dest, samples, src,
                                 mirrored ? np::LineOrder::reversed : np::LineOrder::forward);
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
    return np::dialog::xray_combined_program(np::dialog::model(), first, second);
}

bool bHaveToMirror() {
    return !np::dialog::g_forward_scan;
}

// The image needs no correction.
bool bPostProcess(std::uint8_t*, int, int) {
    return true;
}

// A fresh record per call, from this module's heap; nothing here releases it.
np::VersionRecord* pKXGetVersion() {
    const np::dialog::ModuleVersion& version = np::dialog::model().version;
    return np::new_version_record(version.name, version.version, version.date);
}

}  // extern "C"
