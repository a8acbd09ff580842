#include "acquisition/record/record_rules.h"

#include <algorithm>

#include "common/sensor_lines.h"

namespace np::record {
namespace {

// Starts are 16-bit in the record; a module's absurd widths wrap rather than overflow.
std::int16_t as_start(int value) {
    return static_cast<std::int16_t>(value);
}

void reverse_sections(AcquisitionRecord& record) {
    std::reverse(record.sections, record.sections + usable_section_count(record));
}

void chain_starts_from_first(AcquisitionRecord& record) {
    const int count = usable_section_count(record);
    for (int k = 1; k < count; ++k) {
        const ImageSection& before = record.sections[k - 1];
        record.sections[k].start = as_start(before.start + before.width + kSectionGap);
    }
}

}  // namespace

int usable_section_count(const AcquisitionRecord& record) {
    return std::clamp<int>(record.section_count, 0, kMaxSections);
}

int planned_length(const AcquisitionRecord& record) {
    const int count = usable_section_count(record);
    if (count == 0) return 0;
    int length = -kSectionGap;
    for (int k = 0; k < count; ++k)
        length += record.sections[k].width + kSectionGap;
    return std::clamp(length, 0, kMaxImageColumns);
}

void mirror_sections(AcquisitionRecord& record) {
    const std::int16_t first_start = record.sections[0].start;
    reverse_sections(record);
    if (usable_section_count(record) == 0) return;
    record.sections[0].start = first_start;
    chain_starts_from_first(record);
}

void rewrite_host_copy_sections(AcquisitionRecord& host_copy) {
    reverse_sections(host_copy);
    if (usable_section_count(host_copy) == 0) return;
    host_copy.sections[0].start = 0;
    chain_starts_from_first(host_copy);
}

int preview_factor(const AcquisitionRecord& record) {
    return record.section_count == 4 ? kPreviewFactorFourSections : kPreviewFactor;
}

PreviewSize preview_size(int factor) {
    return {kMaxImageColumns / factor, kSamplesPerLine / factor + 1};
}

}  // namespace np::record
