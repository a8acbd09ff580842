#include "adaptations/ventra/console/console_rules.h"

#include <algorithm>
#include <cstdio>

#include "adaptations/ventra/record/program_table.h"

namespace np::ventra {
namespace {

std::string formatted(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

std::string kv_text(std::uint16_t q0) {
    return std::to_string(q0);
}

std::string ma_text(std::uint16_t q1) {
    const double ma = q1 * 0.1;
    return formatted(ma < 10 ? "%.1f" : "%.0f", ma);
}

std::string time_text(std::uint16_t q2) {
    return formatted("%.1f", q2 * 0.01);
}

std::string dose_text(std::uint16_t q4) {
    return formatted("%.1f", q4 * 0.1);
}

bool imaging_family(int family) {
    return family == 0 || family == 1 || family == 2 || family == 8 || family == 9;
}

ForegroundStep foreground_step(bool busy, bool in_front, bool& active) {
    if (busy) {
        active = true;
        return ForegroundStep::none;
    }
    if (in_front && !active) {
        active = true;
        return ForegroundStep::send_active;
    }
    if (!in_front && active) {
        active = false;
        return ForegroundStep::send_inactive;
    }
    return ForegroundStep::none;
}

ExposureEvent track_machine_state(int machine_state, bool& exposure_in_progress) {
    switch (machine_state) {
        case kIdle:
            if (!exposure_in_progress) return ExposureEvent::none;
            exposure_in_progress = false;
            return ExposureEvent::ended;
        case kExposure:
            if (exposure_in_progress) return ExposureEvent::none;
            exposure_in_progress = true;
            return ExposureEvent::started;
        case kNoAction:
            return ExposureEvent::none;
        default:
            exposure_in_progress = false;
            return ExposureEvent::none;
    }
}

std::optional<std::uint16_t> motion_text(int machine_state, std::uint16_t xray_mode) {
    constexpr std::uint16_t kRotationText = 52, kExposureText = 53, kDemoWithoutXray = 68;
    if (machine_state == kRotation) return kRotationText;
    if (machine_state == kExposure) return xray_mode != 0 ? kExposureText : kDemoWithoutXray;
    return std::nullopt;
}

ErrorAnswer error_answer(std::uint16_t code) {
    switch (code) {
        case 1: return ErrorAnswer::handswitch;
        case 54:
        case 56:
        case 57: return ErrorAnswer::blocking_dialog;
        case 55: return ErrorAnswer::stored_parameters;
        case 59: return ErrorAnswer::program_evolution;
        default: return ErrorAnswer::retry_or_cancel;
    }
}

unsigned watchdog_period(std::optional<std::uint32_t> stored) {
    constexpr std::uint32_t kLongest = 2000;
    return std::min(stored.value_or(0), kLongest);
}

Selection selection_of(std::span<const std::uint16_t, 7> programs) {
    Selection s;
    if (const auto program = program_for(programs[3])) {
        switch (program->code) {
            case 180: s.right_molar = s.incisor = s.left_molar = true; break;
            case 181: s.right_molar = true; break;
            case 182: s.incisor = true; break;
            case 183: s.right_molar = s.incisor = true; break;
            case 184: s.left_molar = true; break;
            case 185: s.right_molar = s.left_molar = true; break;
            case 186: s.left_molar = s.incisor = true; break;
            case 187: s.tmj_right = s.tmj_left = true; break;
            case 188: s.tmj_right = s.tmj_left = s.four_views = true; break;
            case 189: s.sinus = true; break;
            default: break;
        }
    }
    s.adult = programs[4] == 0;
    s.child = programs[4] == 1;
    s.body_size = programs[5] <= 2 ? programs[5] : 0;
    s.xray_mode = programs[6] <= 2 ? programs[6] : 0;
    return s;
}

std::uint16_t panoramic_command(bool right_molar, bool incisor, bool left_molar) {
    const int blocks = (right_molar ? 0x10 : 0) | (incisor ? 0x20 : 0) | (left_molar ? 0x40 : 0);
    return static_cast<std::uint16_t>(blocks << 8 | 0x04);
}

std::optional<MenuCommand> console_menu_command(int id) {
    using F = MenuCommand::Failure;
    constexpr MenuCommand kServed[] = {
        {32779, 0x0082, true, F::console_error},   // Reset of total parameters
        {32786, 0x0182, true, F::silent},          // Reset of the calibration parameters
        {32787, 0x0382, true, F::values_text},     // Reset of the values
        {32788, 0x0404, false, F::console_error},  // Tube head calibration
        {32790, 0x0804, false, F::console_error},  // Control of the X-ray beam
        {32791, 0x0904, false, F::console_error},  // Dose measurement on incisivors
    };
    for (const MenuCommand& served : kServed)
        if (served.id == id) return served;
    return std::nullopt;
}

}  // namespace np::ventra
