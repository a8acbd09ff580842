#include "adaptations/serial/unit_record.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "common/text_numbers.h"

namespace np::serial {
namespace {

constexpr double kSensorPixelMillimetres = 0.104;
constexpr int kDefaultFirstGap = 10;

int value_or(const std::optional<std::string>& text, int fallback) {
    return text ? decimal_value(*text) : fallback;
}

std::int16_t to_record_field(long long value) {
    using Field = std::numeric_limits<std::int16_t>;
    return static_cast<std::int16_t>(std::clamp<long long>(value, Field::min(), Field::max()));
}

}  // namespace

int alternate_tmj(int program, const std::optional<std::string>& last_program) {
    if (program != kTmjProgram) return program;
    if (last_program && decimal_value(*last_program) == kTmjProgram) return kSecondTmjProgram;
    return kTmjProgram;
}

bool reads_overrides(const UnitModel& model, int program) {
    return find_program(model, program) != nullptr;
}

void lay_out_sections(AcquisitionRecord& record, const UnitModel& model, int program,
                      const Overrides& widths) {
    const ProgramEntry& entry = program_or_default(model, program);
    record.section_count = static_cast<std::int16_t>(entry.sections);
    // A width typed into the registry may be anything; starts and widths that the record
    // cannot hold are held at its limits instead of wrapping round.
    long long start = 0;
    for (int k = 0; k < entry.sections; ++k) {
        const int width = value_or(widths[k], entry.widths[k]);
        record.sections[k].start = to_record_field(start);
        record.sections[k].width = to_record_field(width);
        start += static_cast<long long>(width) + kSectionGap;
    }
}

int fill_timing(const UnitModel& model, int program, std::span<int> gaps,
                const Overrides& overrides) {
    if (gaps.empty()) return program_or_default(model, program).timeout_units;
    gaps[0] = kDefaultFirstGap;
    const ProgramEntry* entry = find_program(model, program);
    if (!entry) return kUnknownProgram.timeout_units;
    for (int k = 0; k < entry->sections && k < static_cast<int>(gaps.size()); ++k)
        gaps[k] = value_or(overrides[k], entry->gaps[k]);
    return entry->timeout_units;
}

std::optional<double> pixel_size(const std::optional<std::string>& last_program) {
    if (!last_program) return std::nullopt;
    const auto factor = magnification(decimal_value(*last_program));
    if (!factor) return std::nullopt;
    return kSensorPixelMillimetres / *factor;
}

int combined_tmj_program(int first, int second) {
    if (first == kTmjProgram && (second == kTmjProgram || second == kSecondTmjProgram))
        return kCombinedTmjProgram;
    return 0;
}

}  // namespace np::serial
