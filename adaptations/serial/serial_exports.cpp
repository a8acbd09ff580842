// The adaptation contract of the serial-link modules.
#include <windows.h>

#include <cstdint>
#include <span>

#include "adaptations/serial/serial_module.h"
#include "adaptations/serial/serial_settings.h"
#include "adaptations/serial/unit_link.h"
#include "adaptations/serial/unit_reader.h"
#include "adaptations/serial/unit_record.h"
#include "common/acquisition_record.h"
#include "common/adaptation_contract.h"
#include "common/pixel_size.h"
#include "common/sensor_lines.h"

namespace np::serial {
namespace {

// The link lives from OpenCommPort to the end of the next ReadCommData.
UnitLink g_link;

constexpr int kReadFailed = 5;

int read_comm_data(AcquisitionRecord* record) {
    if (!record || !g_link.is_open()) {
        g_link.close();
        return kReadFailed;
    }
    const UnitModel& model = module_model();
    const ReadResult result = wait_for_message(g_link, model);
    g_link.close();
    if (result.outcome == ReadOutcome::cancelled) return contract::kReadCancelled;
    if (result.outcome == ReadOutcome::failed) return kReadFailed;

    AcquisitionRecord built = result.record;
    const int program = alternate_tmj(built.program, read_last_program(model));
    built.program = static_cast<std::uint8_t>(program);
    lay_out_sections(built, model, program, read_overrides(model, program, 'W'));
    write_last_program(model, program);
    built.valid += 1;
    *record = built;
    return 0;
}

int get_timing(int program, int* gaps) {
    const UnitModel& model = module_model();
    const Overrides overrides = read_overrides(model, program, 'I');
    std::span<int> out;
    if (gaps) out = std::span<int>(gaps, kMaxSections);
    return fill_timing(model, program, out, overrides);
}

int resolution(double* x, double* y) {
    return report_pixel_size(pixel_size(read_last_program(module_model())), x, y);
}

}  // namespace
}  // namespace np::serial

using np::AcquisitionRecord;

extern "C" {

int OpenCommPort() {
    try {
        return np::serial::g_link.open(np::serial::module_model());
    } catch (...) {
        return np::serial::kLinkFailed;
    }
}

int ReadCommData(HWND, AcquisitionRecord* record) {
    try {
        return np::serial::read_comm_data(record);
    } catch (...) {
        np::serial::g_link.close();
        return np::serial::kReadFailed;
    }
}

void ReArrangement(std::uint16_t* dest, int samples, const std::uint16_t* src) {
    np::rearrange_contract_lines(dest, samples, src, np::LineOrder::forward);
}

int GetTiming(int program, int gaps[np::kMaxSections]) {
    try {
        return np::serial::get_timing(program, gaps);
    } catch (...) {
        return np::serial::kUnknownProgram.timeout_units;
    }
}

int bResolution(double* x, double* y) {
    try {
        return np::serial::resolution(x, y);
    } catch (...) {
        return 0;
    }
}

int nCanCombineATM(int first, int second) {
    return np::serial::combined_tmj_program(first, second);
}

}  // extern "C"
