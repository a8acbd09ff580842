// What the driver derives from the acquisition record an adaptation module filled.
//
// The module is outside the driver's control: its section count is trusted only
// within 0..kMaxSections, so no rule here ever reads or writes past the ten slots
// of the 60-byte record, whatever the count says.
#pragma once

#include "common/acquisition_record.h"

namespace np::record {

// Longest image the raw buffer holds, in columns.
inline constexpr int kMaxImageColumns = 4000;
// Image length reported before any record is known.
inline constexpr int kInitialImageLength = 2550;

// The number of (start, width) slots the rules use: the record's count limited to
// 0..10. A negative count means no section at all.
int usable_section_count(const AcquisitionRecord& record);

// Sum over the sections of (width + 50), minus 50, limited to 0..4000.
int planned_length(const AcquisitionRecord& record);

// A mirrored scan: the (start, width) pairs in reverse order, the first slot keeping
// its own start, each following start = previous start + previous width + 50.
void mirror_sections(AcquisitionRecord& record);

// The section list of the copy handed to the host: reverse order, start[0] = 0, each
// following start = previous start + previous width + 50.
void rewrite_host_copy_sections(AcquisitionRecord& host_copy);

// Preview reduction factor: 8 for a record of 4 sections, 6 otherwise.
inline constexpr int kPreviewFactor = 6;
inline constexpr int kPreviewFactorFourSections = 8;
int preview_factor(const AcquisitionRecord& record);

struct PreviewSize {
    int width;
    int height;
};
// (4000 / f) x (1244 / f + 1).
PreviewSize preview_size(int factor);

}  // namespace np::record
