// The maintenance screens behind the console's information menu: modal dialogs over
// the console that read and write the unit's registers.
#pragma once

#include <windows.h>

#include "adaptations/ventra/module/ventra_module.h"

namespace np::ventra {

// What a screen may ask of the console that opened it.
class ConsoleAccess {
  public:
    virtual ~ConsoleAccess() = default;
    virtual HWND window() const = 0;
    // Program refresh: the console's displays, lamps and the acquisition record.
    virtual void refresh_from_unit() = 0;
    // While set, the console neither tracks the foreground nor signals exposures.
    virtual void set_calibration_running(bool running) = 0;
    // "ERROR" in the message display, "E%d" with the library's code.
    virtual void show_command_failure(int code) = 0;
};

// Opens the screen (or runs the action) of a menu command of the information menu.
// False when the command is none of the screens', so that the console serves it.
bool open_maintenance_screen(ConsoleAccess& console, VentraModule& module, int command_id);

}  // namespace np::ventra
