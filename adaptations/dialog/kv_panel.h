// The Kv80 and Kv40 program dialog without its window: the unit's programs, the
// panel's PROG, SELECT, "-" and "+" keys, and what READY reports and remembers.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>

#include "adaptations/dialog/program_layout.h"
#include "common/acquisition_record.h"

namespace np::dialog {

// The dialog counts programs 20 ... 33 by index 0 ... 13.
inline constexpr int kKvPrograms = 14;
inline constexpr int kKvFirstProgram = 20;

struct KvProgram {
    const char* time_text;  // exposure time as the panel shows it
    int ma_index;           // default mA, as an index into the model's mA table
    int kv;                 // default kV; 0: the dialog never offers the program
    std::optional<ProgramLayout> layout;
    double magnification;
};

struct KvModel {
    const char* key;  // below "Software\"
    std::span<const int> ma_table;
    int kv_min, kv_max;
    std::array<KvProgram, kKvPrograms> programs;
    ModuleVersion version;
};

const KvModel& kv80_model();
const KvModel& kv40_model();

bool is_offered(const KvModel& model, int index);
// The program PROG moves to: the TMJ pair 27, 33 sits between 26 and 28.
int next_offered(const KvModel& model, int index);
// The model's layout of a program number, or null.
const ProgramLayout* kv_layout(const KvModel& model, int program);

// "ProgNum", "kV" and "mA" as stored, when the model's key could be opened at all.
struct StoredChoice {
    bool key_open = false;
    std::optional<std::string> program, kv, ma;
};

// What READY leaves for the next dialog.
struct Remembered {
    int program;  // index, or program number for the other models
    int kv;
    int ma;  // index, or mA for the other models
};

enum class Selection { kv, ma };

class KvPanel {
  public:
    KvPanel(const KvModel& model, const StoredChoice& stored);

    void prog();
    void select();
    void minus();
    void plus();

    int index() const { return index_; }
    int program() const { return index_ + kKvFirstProgram; }
    int kv() const { return kv_; }
    int ma_index() const { return ma_index_; }
    int ma() const { return model_.ma_table[ma_index_]; }
    Selection selection() const { return selection_; }
    const char* time_text() const { return model_.programs[index_].time_text; }

    // The record READY reports; widths: the "W" overrides of the chosen program.
    AcquisitionRecord record(const Overrides& widths) const;
    // The choice stored for the next dialog: the other TMJ program is preselected.
    Remembered remembered() const;

  private:
    void take_program_defaults();
    int max_ma_index() const { return static_cast<int>(model_.ma_table.size()) - 1; }

    const KvModel& model_;
    int index_ = 0;
    int kv_ = 0;
    int ma_index_ = 0;
    Selection selection_ = Selection::kv;
};

// The name shown for a program: its "Name" value, else "P" and the program number.
std::string kv_program_name(const std::optional<std::string>& stored, int program);

// bResolution: the pixel size for the stored "ProgNum" (an index); none when nothing
// is stored or the index is outside the table.
std::optional<double> kv_pixel_size(const KvModel& model,
                                    const std::optional<std::string>& stored_index);

// nCanCombineATM: the two TMJ views 27 with 27 or 33 combine into program 34.
int kv_combined_program(int first, int second);

}  // namespace np::dialog
