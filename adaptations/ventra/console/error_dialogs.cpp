#include "adaptations/ventra/console/error_dialogs.h"

#include <span>

#include "adaptations/ventra/console/console_ids.h"
#include "adaptations/ventra/files/unit_files.h"
#include "adaptations/ventra/link/unit_registers.h"

namespace np::ventra {
namespace {

constexpr std::uint16_t kErrorCaption = 480;
constexpr std::uint16_t kAreYouSure = 230;
constexpr std::uint16_t kRestoreFailed = 470;
// The language module has no text of its own for the reinitialise buttons; they put the
// unit's defaults back, which "By default" says.
constexpr std::uint16_t kByDefault = 171;

struct Label {
    int control;
    std::uint16_t text;
};

struct ErrorDialog {
    const VentraModule& module;
    std::uint16_t code;
    int template_id;
    std::span<const Label> labels;
};

bool confirmed(HWND owner, const VentraModule& module) {
    return ::MessageBoxA(owner, module.language.text(kAreYouSure).c_str(), message_title().c_str(),
                         MB_YESNO | MB_ICONQUESTION) == IDYES;
}

RestoreGroup group_of(std::uint16_t code) {
    switch (code) {
        case 54: return RestoreGroup::calibration;
        case 56: return RestoreGroup::manufacturing;
        default: return RestoreGroup::preferences;
    }
}

// Restore, Try again, Reinitialise and Exit of the parameter errors; the default and
// reinitialise buttons of the stored-parameters error. The dialog ends with 1 only
// when the operator leaves with the error standing.
void on_button(HWND dialog, const ErrorDialog& d, int id) {
    const MachineLink& link = d.module.link;
    switch (id) {
        case IDOK: ::EndDialog(dialog, 0); return;
        case IDC_ERROR_EXIT: ::EndDialog(dialog, 1); return;
        case IDC_ERROR_TRY_AGAIN:
            link.command(command::acknowledge);
            ::EndDialog(dialog, 0);
            return;
        case IDC_ERROR_RESTORE:
            if (restore_group(link, group_of(d.code))) {
                ::EndDialog(dialog, 0);
            } else {
                ::MessageBoxA(dialog, d.module.language.text(kRestoreFailed).c_str(), message_title().c_str(),
                              MB_OK | MB_ICONEXCLAMATION);
            }
            return;
        case IDC_ERROR_DEFAULT:
            link.command(command::acknowledge_maintenance);
            ::EndDialog(dialog, 0);
            return;
        case IDC_ERROR_REINITIALISE:
            if (d.template_id == IDD_STORED_PARAMETERS_ERROR) {
                link.command(command::reset_set_values);
            } else {
                if (!confirmed(dialog, d.module)) return;
                link.command(command::reset_all);
            }
            link.command(command::acknowledge_maintenance);
            ::EndDialog(dialog, 0);
            return;
        default: return;
    }
}

INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        const auto* d = reinterpret_cast<const ErrorDialog*>(lparam);
        ::SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        const LanguageModule& language = d->module.language;
        ::SetWindowTextA(dialog, language.text(d->template_id == IDD_HANDSWITCH_ERROR ? 240 : kErrorCaption).c_str());
        for (const Label& label : d->labels) ::SetDlgItemTextA(dialog, label.control, language.text(label.text).c_str());
        return TRUE;
    }
    const auto* d = reinterpret_cast<const ErrorDialog*>(::GetWindowLongPtrA(dialog, DWLP_USER));
    if (!d) return FALSE;
    if (message == WM_COMMAND && HIWORD(wparam) == BN_CLICKED) {
        on_button(dialog, *d, LOWORD(wparam));
        return TRUE;
    }
    if (message == WM_CLOSE) {
        // Closing the frame is leaving, as Exit is; the information dialog just closes.
        ::EndDialog(dialog, d->template_id == IDD_HANDSWITCH_ERROR || d->template_id == IDD_STORED_PARAMETERS_ERROR ? 0 : 1);
        return TRUE;
    }
    return FALSE;
}

INT_PTR run(HWND owner, const ErrorDialog& d) {
    return ::DialogBoxParamA(d.module.instance, MAKEINTRESOURCEA(d.template_id), owner, procedure,
                             reinterpret_cast<LPARAM>(&d));
}

}  // namespace

void show_handswitch_error(HWND owner, const VentraModule& module) {
    constexpr Label labels[] = {{IDC_ERROR_TEXT_1, 241}, {IDOK, 242}};
    run(owner, {module, 1, IDD_HANDSWITCH_ERROR, labels});
}

bool show_parameters_error(HWND owner, const VentraModule& module, std::uint16_t code) {
    if (code == 57) {
        constexpr Label labels[] = {{IDC_ERROR_TEXT_1, 280}, {IDC_ERROR_TEXT_2, 281},
                                    {IDC_ERROR_TRY_AGAIN, 282}, {IDC_ERROR_RESTORE, 284},
                                    {IDC_ERROR_EXIT, 285}, {IDC_ERROR_REINITIALISE, kByDefault}};
        return run(owner, {module, code, IDD_PREFERENCES_ERROR, labels}) != 0;
    }
    const Label labels[] = {{IDC_ERROR_TEXT_1, static_cast<std::uint16_t>(code == 54 ? 261 : 262)},
                            {IDC_ERROR_TEXT_2, 263},
                            {IDC_ERROR_RESTORE, 264},
                            {IDC_ERROR_TRY_AGAIN, 265},
                            {IDC_ERROR_EXIT, 268},
                            {IDC_ERROR_REINITIALISE, kByDefault}};
    return run(owner, {module, code, IDD_PARAMETERS_ERROR, labels}) != 0;
}

void show_stored_parameters_error(HWND owner, const VentraModule& module) {
    constexpr Label labels[] = {{IDC_ERROR_TEXT_1, 290}, {IDC_ERROR_TEXT_2, 291}, {IDC_ERROR_TEXT_4, 294},
                                {IDC_ERROR_DEFAULT, 293}, {IDC_ERROR_REINITIALISE, kByDefault}};
    run(owner, {module, 55, IDD_STORED_PARAMETERS_ERROR, labels});
}

}  // namespace np::ventra
