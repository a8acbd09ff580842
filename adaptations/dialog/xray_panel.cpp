#include "adaptations/dialog/xray_panel.h"

#include <algorithm>

#include "common/text_numbers.h"

namespace np::dialog {
namespace {

constexpr ProgramLayout one(int width) {
    return {1, {width, 0, 0, 0}, {10, 0, 0, 0}, 200};
}
constexpr ProgramLayout two(int w0, int w1, int g0, int g1, int timeout) {
    return {2, {w0, w1, 0, 0}, {g0, g1, 0, 0}, timeout};
}

constexpr XrayProgram kTrevianPrograms[] = {
    {120, "Pano Standard", "12.0", one(2400), 1.23},
    {121, "ATM LA", "12.0", two(500, 500, 20, 35, 1200), 1.2},
    {122, "ATM PA", "12.0", two(500, 500, 10, 700, 2000), 1.8},
    {123, "Sinus", "12.0", one(1500), 1.27},
    {124, "Tomo", "12.0", {4, {500, 500, 500, 500}, {10, 10, 10, 10}, 2000}, 1.45},
};

constexpr XrayProgram kBrevianPrograms[] = {
    {130, "Pano Standard", "15.0", one(2400), 1.23},
    {131, "ATM 1", "10.0", two(580, 540, 20, 35, 1200), 1.23},
    {132, "ATM 2", "10.0", two(560, 530, 10, 700, 2000), 1.23},
};

const XrayModel kTrevian{"NORVANE\\PANO\\TREVIAN",
                         kTrevianPrograms,
                         {60, 84, 60},
                         {3, 15, 3},
                         121,
                         125,
                         true,
                         {"DLL Trevian", "3.0.0.0", "25 May 2002"}};
const XrayModel kBrevian{"NORVANE\\PANO\\BREVIAN",
                         kBrevianPrograms,
                         {60, 90, 60},
                         {2, 15, 2},
                         0,
                         0,
                         false,
                         {"DLL Brevian", "3.0.0.0", "15 March 2002"}};

int stored_or(const StoredChoice& stored, const std::optional<std::string>& value,
              const ValueRange& range) {
    if (!stored.key_open || !value) return range.fallback;
    return std::clamp(decimal_value(*value), range.min, range.max);
}

int stepped(int value, int delta, const ValueRange& range) {
    return std::clamp(delta > 0 ? value + 1 : value - 1, range.min, range.max);
}

}  // namespace

const XrayModel& trevian_model() {
    return kTrevian;
}
const XrayModel& brevian_model() {
    return kBrevian;
}

const XrayProgram* find_program(const XrayModel& model, int number) {
    const auto it = std::ranges::find(model.programs, number, &XrayProgram::number);
    return it == model.programs.end() ? nullptr : &*it;
}

ValueRange program_range(const XrayModel& model) {
    return {model.programs.front().number, model.programs.back().number,
            model.programs.front().number};
}

XrayPanel::XrayPanel(const XrayModel& model, const StoredChoice& stored)
    : model_(model),
      program_(stored_or(stored, stored.program, program_range(model))),
      kv_(stored_or(stored, stored.kv, model.kv)),
      ma_(stored_or(stored, stored.ma, model.ma)) {}

void XrayPanel::step_program(int delta) {
    program_ = stepped(program_, delta, program_range(model_));
}
void XrayPanel::step_kv(int delta) {
    kv_ = stepped(kv_, delta, model_.kv);
}
void XrayPanel::step_ma(int delta) {
    ma_ = stepped(ma_, delta, model_.ma);
}

AcquisitionRecord XrayPanel::record(const Overrides& widths) const {
    AcquisitionRecord record = confirmed_record(program_, kv_, ma_, entry().time_text);
    lay_out_sections(record, &entry().layout, widths);
    return record;
}

std::string xray_program_name(const XrayProgram& program, bool key_exists,
                              const std::optional<std::string>& stored) {
    std::string name = !key_exists ? program.name
                       : stored    ? *stored
                                   : default_program_name(program.number);
    if (name.size() > kXrayNameLength) name.resize(kXrayNameLength);
    return name;
}

std::optional<double> xray_pixel_size(const XrayModel& model,
                                      const std::optional<std::string>& stored_program) {
    if (!stored_program) return std::nullopt;
    const XrayProgram* program = find_program(model, decimal_value(*stored_program));
    if (!program) return std::nullopt;
    return pixel_size(program->magnification);
}

int xray_combined_program(const XrayModel& model, int first, int second) {
    if (model.combined_program && first == model.tmj_program && second == model.tmj_program)
        return model.combined_program;
    return 0;
}

}  // namespace np::dialog
