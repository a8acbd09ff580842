#include "adaptations/dialog/program_layout.h"

#include <cstdlib>

#include "common/text_numbers.h"

namespace np::dialog {
namespace {

constexpr double kSensorPixelMillimetres = 0.104;

int value_or(const std::optional<std::string>& text, int fallback) {
    return text ? decimal_value(*text) : fallback;
}

}  // namespace

void lay_out_sections(AcquisitionRecord& record, const ProgramLayout* layout,
                      const Overrides& widths) {
    record.section_count = 1;
    record.sections[0] = {0, 0};
    if (!layout) return;
    record.section_count = static_cast<std::int16_t>(layout->sections);
    int start = 0;
    for (int k = 0; k < layout->sections; ++k) {
        const int width = value_or(widths[k], layout->widths[k]);
        record.sections[k] = {static_cast<std::int16_t>(start), static_cast<std::int16_t>(width)};
        start += width + kSectionGap;
    }
}

int fill_timing(const ProgramLayout* layout, std::span<int> gaps, const Overrides& overrides) {
    if (!gaps.empty()) gaps[0] = kFirstGap;
    if (!layout) return kUnknownProgramTimeout;
    for (int k = 0; k < layout->sections && k < static_cast<int>(gaps.size()); ++k)
        gaps[k] = value_or(overrides[k], layout->gaps[k]);
    return layout->timeout_units;
}

double pixel_size(double magnification) {
    return kSensorPixelMillimetres / magnification;
}

float exposure_seconds(const char* text) {
    return static_cast<float>(std::strtod(text, nullptr));
}

std::string default_program_name(int program) {
    std::string name(1, 'P');
    name += std::to_string(program);
    return name;
}

AcquisitionRecord confirmed_record(int program, int kv, int ma, const char* time_text) {
    AcquisitionRecord record{};
    record.program = static_cast<std::uint8_t>(program);
    record.unit_specific = kUnitByte;
    record.kv = static_cast<float>(kv);
    record.ma = static_cast<float>(ma);
    record.exposure_time = exposure_seconds(time_text);
    record.valid = kRecordFilled;
    return record;
}

}  // namespace np::dialog
