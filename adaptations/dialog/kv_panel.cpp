#include "adaptations/dialog/kv_panel.h"

#include <algorithm>

#include "common/text_numbers.h"

namespace np::dialog {
namespace {

constexpr int kTmjIndex = 7;         // program 27
constexpr int kSecondTmjIndex = 13;  // program 33
constexpr int kLastCycledIndex = 10;
constexpr int kCombinedTmjProgram = 34;

constexpr ProgramLayout one(int width) {
    return {1, {width, 0, 0, 0}, {10, 0, 0, 0}, 200};
}
constexpr ProgramLayout two(int w0, int w1, int g0, int g1, int timeout) {
    return {2, {w0, w1, 0, 0}, {g0, g1, 0, 0}, timeout};
}
constexpr ProgramLayout three(int w0, int w1, int w2, int g0, int g1, int g2) {
    return {3, {w0, w1, w2, 0}, {g0, g1, g2, 0}, 1200};
}
constexpr KvProgram not_offered(double magnification) {
    return {"xxx", 0, 0, std::nullopt, magnification};
}

constexpr int kKv80MaTable[] = {2, 4, 6, 8, 10, 12, 15};
constexpr int kKv40MaTable[] = {2, 4, 6, 8, 10, 12};

const KvModel kKv80{"NORVANE\\PANO\\KV80",
                    kKv80MaTable,
                    60,
                    100,
                    {{
                        {"12.0", 5, 71, one(2420), 1.23},
                        {"12.0", 5, 75, one(2340), 1.23},
                        {"12.0", 5, 79, one(2390), 1.23},
                        {"12.0", 5, 61, one(2180), 1.23},
                        {"12.0", 5, 64, one(2090), 1.23},
                        {"12.0", 5, 68, one(2390), 1.23},
                        {"9.8", 5, 70, one(1180), 1.27},
                        {"10.0", 5, 74, two(580, 540, 20, 35, 1200), 1.2},
                        {"12.0", 5, 74, two(800, 800, 10, 80, 1200), 1.89},
                        {"19.0", 1, 60, three(480, 570, 580, 10, 100, 90), 1.45},
                        {"19.0", 1, 60, three(490, 560, 570, 10, 125, 125), 1.45},
                        not_offered(1.1),
                        not_offered(1.1),
                        {"10.0", 5, 74, two(560, 530, 10, 700, 2000), 1.2},
                    }},
                    {"DLL Kv80", "3.0.0.0", "15 March 2002"}};

const KvModel kKv40{"NORVANE\\PANO\\KV40",
                    kKv40MaTable,
                    60,
                    90,
                    {{
                        {"12.0", 1, 63, one(2420), 1.23},
                        not_offered(1.23),
                        not_offered(1.23),
                        {"12.0", 1, 63, one(2180), 1.23},
                        not_offered(1.23),
                        not_offered(1.23),
                        {"9.8", 5, 70, one(1180), 1.27},
                        {"12.0", 1, 63, two(580, 540, 20, 35, 1200), 1.2},
                        {"8.0", 1, 63, two(800, 800, 10, 80, 1200), 1.89},
                        not_offered(1.45),
                        not_offered(1.45),
                        not_offered(1.1),
                        not_offered(1.1),
                        {"12.0", 1, 63, two(560, 530, 10, 700, 2000), 1.2},
                    }},
                    {"DLL Kv40", "3.0.0.0", "15 March 2002"}};

bool is_index(int index) {
    return index >= 0 && index < kKvPrograms;
}

}  // namespace

const KvModel& kv80_model() {
    return kKv80;
}
const KvModel& kv40_model() {
    return kKv40;
}

bool is_offered(const KvModel& model, int index) {
    return is_index(index) && model.programs[index].kv != 0;
}

int next_offered(const KvModel& model, int index) {
    for (int step = 0; step < kKvPrograms; ++step) {
        if (index == kTmjIndex)
            index = kSecondTmjIndex;
        else if (index == kSecondTmjIndex)
            index = kTmjIndex + 1;
        else
            index = index >= kLastCycledIndex ? 0 : index + 1;
        if (is_offered(model, index)) return index;
    }
    return 0;
}

const ProgramLayout* kv_layout(const KvModel& model, int program) {
    const int index = program - kKvFirstProgram;
    if (!is_offered(model, index)) return nullptr;
    return &*model.programs[index].layout;
}

KvPanel::KvPanel(const KvModel& model, const StoredChoice& stored) : model_(model) {
    if (stored.key_open && stored.program) {
        const int index = decimal_value(*stored.program);
        if (is_offered(model_, index)) index_ = index;
    }
    take_program_defaults();
    if (!stored.key_open) return;
    // A stored kV outside the range shows as stored until "-" or "+" is used; a stored
    // mA index outside the table names no current at all and is brought into it.
    if (stored.kv) kv_ = decimal_value(*stored.kv);
    if (stored.ma) ma_index_ = std::clamp(decimal_value(*stored.ma), 0, max_ma_index());
}

void KvPanel::take_program_defaults() {
    kv_ = model_.programs[index_].kv;
    ma_index_ = model_.programs[index_].ma_index;
}

void KvPanel::prog() {
    index_ = next_offered(model_, index_);
    take_program_defaults();
}

void KvPanel::select() {
    selection_ = selection_ == Selection::kv ? Selection::ma : Selection::kv;
}

void KvPanel::minus() {
    if (selection_ == Selection::kv)
        kv_ = std::clamp(kv_ - 1, model_.kv_min, model_.kv_max);
    else
        ma_index_ = std::clamp(ma_index_ - 1, 0, max_ma_index());
}

void KvPanel::plus() {
    if (selection_ == Selection::kv)
        kv_ = std::clamp(kv_ + 1, model_.kv_min, model_.kv_max);
    else
        ma_index_ = std::clamp(ma_index_ + 1, 0, max_ma_index());
}

AcquisitionRecord KvPanel::record(const Overrides& widths) const {
    AcquisitionRecord record = confirmed_record(program(), kv_, ma(), time_text());
    lay_out_sections(record, kv_layout(model_, program()), widths);
    return record;
}

Remembered KvPanel::remembered() const {
    int next = index_;
    if (index_ == kTmjIndex) next = kSecondTmjIndex;
    if (index_ == kSecondTmjIndex) next = kTmjIndex;
    return {next, kv_, ma_index_};
}

std::string kv_program_name(const std::optional<std::string>& stored, int program) {
    return stored ? *stored : default_program_name(program);
}

std::optional<double> kv_pixel_size(const KvModel& model,
                                    const std::optional<std::string>& stored_index) {
    if (!stored_index) return std::nullopt;
    const int index = decimal_value(*stored_index);
    if (!is_index(index)) return std::nullopt;
    return pixel_size(model.programs[index].magnification);
}

int kv_combined_program(int first, int second) {
    constexpr int kTmj = kTmjIndex + kKvFirstProgram,
                  kSecondTmj = kSecondTmjIndex + kKvFirstProgram;
    return first == kTmj && (second == kTmj || second == kSecondTmj) ? kCombinedTmjProgram : 0;
}

}  // namespace np::dialog
