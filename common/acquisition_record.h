// The acquisition record: the one structure the adaptation module, the driver and
// the host exchange. Packed, little-endian, exactly 60 bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sdk/include/panorecord.h"

namespace np {

inline constexpr int kMaxSections = 10;
// Blank image columns between two consecutive image sections.
inline constexpr int kSectionGap = 50;

#pragma pack(push, 1)
struct ImageSection {
    std::int16_t start;  // first image column (line of the raw image buffer)
    std::int16_t width;  // number of sensor lines in the section
};

struct AcquisitionRecord {
    std::uint8_t program;        // program code of the unit (188: four-image TMJ)
    std::uint8_t unit_specific;  // passed to the host unchanged
    float kv;
    float ma;
    float exposure_time;  // seconds
    std::uint32_t valid;  // nonzero once the module has filled the record
    std::int16_t section_count;
    ImageSection sections[kMaxSections];
};
#pragma pack(pop)

static_assert(sizeof(ImageSection) == 4);
static_assert(sizeof(AcquisitionRecord) == 60);
static_assert(offsetof(AcquisitionRecord, program) == 0);
static_assert(offsetof(AcquisitionRecord, unit_specific) == 1);
static_assert(offsetof(AcquisitionRecord, kv) == 2);
static_assert(offsetof(AcquisitionRecord, ma) == 6);
static_assert(offsetof(AcquisitionRecord, exposure_time) == 10);
static_assert(offsetof(AcquisitionRecord, valid) == 14);
static_assert(offsetof(AcquisitionRecord, section_count) == 18);
static_assert(offsetof(AcquisitionRecord, sections) == 20);

// The integrators' kit declares the same record in C; the two must never drift apart.
static_assert(sizeof(PANO_RECORD) == sizeof(AcquisitionRecord));
static_assert(PANO_MAX_SECTIONS == kMaxSections && PANO_SECTION_GAP == kSectionGap);
static_assert(offsetof(PANO_RECORD, program) == offsetof(AcquisitionRecord, program));
static_assert(offsetof(PANO_RECORD, unitSpecific) == offsetof(AcquisitionRecord, unit_specific));
static_assert(offsetof(PANO_RECORD, kV) == offsetof(AcquisitionRecord, kv));
static_assert(offsetof(PANO_RECORD, mA) == offsetof(AcquisitionRecord, ma));
static_assert(offsetof(PANO_RECORD, exposureTime) == offsetof(AcquisitionRecord, exposure_time));
static_assert(offsetof(PANO_RECORD, valid) == offsetof(AcquisitionRecord, valid));
static_assert(offsetof(PANO_RECORD, sectionCount) == offsetof(AcquisitionRecord, section_count));
static_assert(offsetof(PANO_RECORD, sections) == offsetof(AcquisitionRecord, sections));
static_assert(sizeof(PANO_SECTION) == sizeof(ImageSection) &&
              offsetof(PANO_SECTION, width) == offsetof(ImageSection, width));
static_assert(sizeof(PANO_RECORD{}.valid) == sizeof(AcquisitionRecord{}.valid));

}  // namespace np
