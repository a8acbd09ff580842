// The Trevian and Brevian program dialog without its window: the programs of the
// units of other makers, three values stepped by up-down controls, and what OK
// reports and remembers.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "adaptations/dialog/kv_panel.h"
#include "adaptations/dialog/program_layout.h"
#include "common/acquisition_record.h"

namespace np::dialog {

// A program name holds at most this many characters.
inline constexpr std::size_t kXrayNameLength = 31;

struct XrayProgram {
    int number;
    const char* name;  // built-in name
    const char* time_text;
    ProgramLayout layout;
    double magnification;
};

struct ValueRange {
    int min, max, fallback;
};

struct XrayModel {
    const char* key;  // below "Software\"
    std::span<const XrayProgram> programs;
    ValueRange kv, ma;
    int tmj_program;       // two views of it combine ...
    int combined_program;  // ... into this one; 0: never
    bool mirrors_lines;    // ReArrangement follows the scan direction
    ModuleVersion version;
};

const XrayModel& trevian_model();
const XrayModel& brevian_model();

const XrayProgram* find_program(const XrayModel& model, int number);
ValueRange program_range(const XrayModel& model);

class XrayPanel {
  public:
    XrayPanel(const XrayModel& model, const StoredChoice& stored);

    // An up-down control's proposed step: positive adds 1, anything else takes 1 away.
    void step_program(int delta);
    void step_kv(int delta);
    void step_ma(int delta);

    int program() const { return program_; }
    int kv() const { return kv_; }
    int ma() const { return ma_; }
    const XrayProgram& entry() const { return *find_program(model_, program_); }

    AcquisitionRecord record(const Overrides& widths) const;
    Remembered remembered() const { return {program_, kv_, ma_}; }

  private:
    const XrayModel& model_;
    int program_;
    int kv_;
    int ma_;
};

// The name shown for a program: "Name" under its key, else "P" and the number when the
// key exists, else the built-in name; cut to kXrayNameLength characters.
std::string xray_program_name(const XrayProgram& program, bool key_exists,
                              const std::optional<std::string>& stored);

std::optional<double> xray_pixel_size(const XrayModel& model,
                                      const std::optional<std::string>& stored_program);

int xray_combined_program(const XrayModel& model, int first, int second);

}  // namespace np::dialog
