// Generic: the adaptation for units without a link to the computer. The record is
// fixed, the scan direction and the time-out come from the settings, and the image
// gets the column balance correction.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "adaptations/generic/column_balance.h"
#include "common/acquisition_record.h"
#include "common/scan_direction.h"
#include "common/sensor_lines.h"
#include "common/settings_key.h"
#include "common/text_numbers.h"
#include "common/version_record.h"

namespace {

constexpr const char* kSettingsPath = "NORVANE\\PANO";
constexpr const char* kTimeOutValue = "TimeOut";
constexpr std::size_t kTimeOutBuffer = 32;
constexpr const char* kDefaultTimeOut = "500";
constexpr int kLinePairsBeforeFirstSection = 10;

constexpr const char* kModuleName = "DLL Generic";
constexpr const char* kModuleVersion = "3.0.0.0";
constexpr const char* kModuleDate = "15 March 2002";

constexpr std::uint8_t kNoProgram = 255;
constexpr std::uint8_t kUnitByte = 77;
constexpr std::uint32_t kRecordFilled = 1264;
constexpr int kSections = 5;
constexpr std::int16_t kSectionWidth = 500;

bool g_forward_scan = true;

np::AcquisitionRecord fixed_record() {
    np::AcquisitionRecord record{};
    record.program = kNoProgram;
    record.unit_specific = kUnitByte;
    record.valid = kRecordFilled;
    record.section_count = kSections;
    std::int16_t start = 0;
    for (int k = 0; k < kSections; ++k) {
        record.sections[k] = {start, kSectionWidth};
        start = static_cast<std::int16_t>(start + kSectionWidth + np::kSectionGap);
    }
    return record;
}

int setting(const char* name, std::size_t buffer, const char* fallback) {
    return np::SettingsKey(kSettingsPath).number(name, buffer, fallback);
}

}  // namespace

extern "C" {

int OpenCommPort() {
    try {
        g_forward_scan = np::forward_scan_setting();
    } catch (...) {
        g_forward_scan = true;
    }
    return 0;
}

int ReadCommData(HWND, np::AcquisitionRecord* record) {
    if (!record) return 0;
    const np::AcquisitionRecord filled = fixed_record();
    std::memcpy(record, &filled, sizeof filled);
    return 0;
}

void ReArrangement(std::uint16_t* dest, int samples, const std::uint16_t* src) {
    np::rearrange_contract_lines(dest, samples, src,
                                 g_forward_scan ? np::LineOrder::forward : np::LineOrder::reversed);
}

int GetTiming(int, int* gaps) {
    if (gaps) gaps[0] = kLinePairsBeforeFirstSection;
    try {
        return setting(kTimeOutValue, kTimeOutBuffer, kDefaultTimeOut);
    } catch (...) {
        return np::decimal_value(kDefaultTimeOut);
    }
}

// Exported also as bResolution: neither combination nor pixel size is known.
int nCanCombineATM(int, int) {
    return 0;
}

bool bHaveToMirror() {
    return !g_forward_scan;
}

bool bPostProcess(std::uint8_t* image, int width, int height) {
    try {
        return np::generic::balance_columns(image, width, height);
    } catch (...) {
        return false;
    }
}

// A fresh record per call, from this module's heap; nothing here releases it.
np::VersionRecord* pKXGetVersion() {
    return np::new_version_record(kModuleName, kModuleVersion, kModuleDate);
}

}  // extern "C"
