#include "adaptations/ventra/screens/maintenance_screens.h"

#include <windows.h>
#include <commctrl.h>

#include "adaptations/ventra/module/edition.h"
#include "adaptations/ventra/screens/screen_dialog.h"

namespace np::ventra {
namespace {

enum Command : int {
    kAbout = 32771,
    kGeneral = 32772,
    kCommunication = 32773,
    kPreferences = 32774,
    kManufacturing = 32777,
    kArmCalibrationToo = 32778,
    kSaveRestore = 32780,
    kDetails = 32781,
    kKvCalibration = 32782,
    kMaCalibration = 32783,
    kHeatingCalibration = 32784,
    kArmCalibration = 32785,
    kLog = 32789,
};

void use_common_controls() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
}

}  // namespace

bool open_maintenance_screen(ConsoleAccess& console, VentraModule& module, int command_id) {
    use_common_controls();
    const HWND owner = console.window();
    // The demonstration build opens all but the calibration screens without an owner.
    const HWND information_owner = demonstration_build() ? nullptr : owner;
    switch (command_id) {
        case kAbout: show_about(module, information_owner); return true;
        case kDetails: show_details(module, information_owner); return true;
        case kLog: show_log(module, console, information_owner); return true;
        case kGeneral: show_general(module, information_owner); return true;
        case kCommunication: show_communication(module, information_owner); return true;
        case kPreferences: show_preferences(module, information_owner); return true;
        case kManufacturing: show_manufacturing(module, information_owner); return true;
        case kKvCalibration: run_calibration(module, console, Quantity::kv); return true;
        case kMaCalibration: run_calibration(module, console, Quantity::ma); return true;
        case kHeatingCalibration: show_heating_calibration(module, console); return true;
        case kArmCalibration:
        case kArmCalibrationToo: show_arm_calibration(module, owner); return true;
        case kSaveRestore: show_save_restore(module, information_owner); return true;
        default: return false;
    }
}

}  // namespace np::ventra
