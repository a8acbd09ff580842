#include "adaptations/ventra/files/config_report.h"

#include <cstdio>

#include "adaptations/ventra/files/unit_blocks.h"

namespace np::ventra {
namespace {

// Text ids of the report's sections, keys and value texts.
enum : std::uint16_t {
    kVersion = 410, kDiagnostic, kManufacturing, kCalibration, kPreference,
    kSoftName = 415, kSoftVersion, kSoftDate, kExposureNumber, kTimeInUse,
    kSerialNumber = 421, kVoltageRating, kPanoramicType, kCephalometricType,
    kCenteringOffset = 425, kArmLength, kHysteresis, kFirstCalibrationFloat,
    kDeltaHeat = 438, kOriginPosition, kCephPosition, kCompensationLength, kKvCompensation,
    kChild = 443, kAdult, kLowBody, kAverageBody, kHighBody,
    kVolts110 = 160, kVolts230 = 161, kFirstPanoramicType = 162, kFirstCephType = 166,
    kRight = 124, kLeft = 125, kEither = 126,
};
constexpr int kPanoramicTypes = 4;
constexpr int kCephTypes = 2;
constexpr int kCalibrationFloats = 10;

std::string decimal(long long value) {
    return std::to_string(value);
}

std::string fixed(float value) {
    char text[64];
    std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
    return text;
}

// A word that names one of `count` consecutive texts; anything else is shown blank
// rather than as some unrelated text further down the table.
std::string text_choice(const TextLookup& text, std::uint16_t first, std::uint16_t word, int count) {
    return word < count ? text(static_cast<std::uint16_t>(first + word)) : " ";
}

std::string side(const TextLookup& text, std::uint16_t word, int count) {
    return text_choice(text, kRight, word, count);
}

}  // namespace

std::vector<ReportEntry> configuration_report(const UnitBlocks& b, const TextLookup& text) {
    std::vector<ReportEntry> report;
    std::string section;
    const auto add = [&](std::uint16_t key, std::string value) {
        report.push_back({section, text(key), std::move(value)});
    };

    section = text(kVersion);
    add(kSoftName, block_text(b.identification, 0, 12));
    add(kSoftVersion, block_text(b.identification, 12, 6));
    add(kSoftDate, block_text(b.identification, 18, 12));

    section = text(kDiagnostic);
    add(kExposureNumber, decimal(block_int32(b.diagnostic, 0)));
    add(kTimeInUse, decimal(block_int32(b.diagnostic, 2)));

    section = text(kManufacturing);
    const std::span<const std::uint16_t> m = b.manufacturing;
    add(kSerialNumber, block_text(m, 0, 10));
    add(kVoltageRating, text_choice(text, kVolts110, m[5], 2));
    add(kPanoramicType, text_choice(text, kFirstPanoramicType, m[7], kPanoramicTypes));
    add(kCephalometricType, text_choice(text, kFirstCephType, m[8], kCephTypes));

    section = text(kCalibration);
    const std::span<const std::uint16_t> c = b.calibration;
    add(kArmLength, decimal(static_cast<std::int16_t>(c[0])));
    add(kHysteresis, decimal(static_cast<std::int16_t>(c[1])));
    add(kCenteringOffset, decimal(static_cast<std::int16_t>(c[2])));
    for (int i = 0; i < kCalibrationFloats; ++i)
        add(static_cast<std::uint16_t>(kFirstCalibrationFloat + i), fixed(block_float(c, 3 + 2 * i)));
    for (int kv = 60; kv <= 90; kv += 3) {
        const std::string key = text(kDeltaHeat) + "[" + std::to_string(kv) + "]";
        report.push_back({section, key, decimal(static_cast<std::int16_t>(c[23 + (kv - 60) / 3]))});
    }

    section = text(kPreference);
    const std::span<const std::uint16_t> p = b.preferences;
    add(kOriginPosition, side(text, p[0], 3));
    add(kCephPosition, side(text, p[1], 2));
    for (int age = 0; age < 2; ++age) {
        for (int body = 0; body < 3; ++body) {
            const int pair = 3 * age + body;
            const std::string who = " ( " + text(static_cast<std::uint16_t>(kChild + age)) + ", " +
                                    text(static_cast<std::uint16_t>(kLowBody + body)) + ")";
            report.push_back({section, text(kCompensationLength) + who, decimal(p[3 + 2 * pair])});
            report.push_back({section, text(kKvCompensation) + who,
                              decimal(static_cast<std::int16_t>(p[2 + 2 * pair]))});
        }
    }
    return report;
}

}  // namespace np::ventra
