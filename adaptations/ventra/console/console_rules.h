// What the console decides from the unit's status without touching a window: the
// displays' texts, the foreground handshake, the exposure tracking, the answer to each
// error code and the watchdog's period.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "adaptations/ventra/link/status_block.h"

namespace np::ventra {

// The four large displays (and their copies on the parameters page).
std::string kv_text(std::uint16_t q0);
std::string ma_text(std::uint16_t q1);    // tenths of a mA
std::string time_text(std::uint16_t q2);  // hundredths of a second
std::string dose_text(std::uint16_t q4);  // tenths

// Families whose exposure produces an image the driver must receive: panoramic, TMJ,
// sinus, beam control and dose measurement.
bool imaging_family(int family);

// The console tells the unit when it is in front (0x0085) and when it no longer is
// (0x0086), once per change. A calibration or an exposure keeps it active.
enum class ForegroundStep { none, send_active, send_inactive };
ForegroundStep foreground_step(bool busy, bool in_front, bool& active);

// Machine-state tracking while no error is shown.
enum class ExposureEvent { none, started, ended };
ExposureEvent track_machine_state(int machine_state, bool& exposure_in_progress);

// The state text shown during rotation and exposure (none when idle).
std::optional<std::uint16_t> motion_text(int machine_state, std::uint16_t xray_mode);

enum class ErrorAnswer {
    handswitch,          // dialog 134; abandons an imaging acquisition with X-rays
    blocking_dialog,     // 54, 56 (dialog 136) and 57 (dialog 137)
    stored_parameters,   // 55: dialog 138, then the program refresh
    program_evolution,   // 59: message, acknowledge, close
    retry_or_cancel,     // any other code
};
ErrorAnswer error_answer(std::uint16_t code);

// "SecurityTimeOut" in milliseconds, at most 2000; 0 disables the watchdog.
unsigned watchdog_period(std::optional<std::uint32_t> stored);

// The console's reference screens; below 800 x 600 it cannot be shown.
inline bool screen_too_small(int width, int height) { return width < 800 || height < 600; }

// Lamps and selection buttons that show the unit's program block P0..P6: the recap
// lamps and the program page by the program code, the patient by P4 and P5, the
// demonstration button by P6.
struct Selection {
    bool tmj_right = false, tmj_left = false, incisor = false, right_molar = false, left_molar = false,
         sinus = false, four_views = false;
    bool adult = false, child = false;
    int body_size = 0;  // 0 low, 1 average, 2 high
    int xray_mode = 0;
};
Selection selection_of(std::span<const std::uint16_t, 7> programs);

// The parameter of the panoramic command for the three block toggles.
std::uint16_t panoramic_command(bool right_molar, bool incisor, bool left_molar);

// The information menu's commands the console serves itself.
struct MenuCommand {
    enum class Failure { silent, console_error, values_text };
    int id;
    std::uint16_t command;
    bool ask_first;  // after "Are you sure?"
    Failure failure;
};
std::optional<MenuCommand> console_menu_command(int id);

}  // namespace np::ventra
