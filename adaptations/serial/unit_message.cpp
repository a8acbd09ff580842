#include "adaptations/serial/unit_message.h"

namespace np::serial {
namespace {

constexpr int kValueOffset = 100;
constexpr int kLongExposureProgram = 26;

// The long-exposure program counts its time in tenths of a second.
float exposure_seconds(std::uint8_t value, std::uint8_t program_so_far) {
    if (program_so_far == kLongExposureProgram) return static_cast<float>(value * 0.1 - 10);
    return static_cast<float>(value - kValueOffset);
}

void store_field(AcquisitionRecord& record, char letter, std::uint8_t value,
                 const UnitModel& model) {
    switch (letter) {
        case 'O':
            record.program = model.program_from_value(value);
            break;
        case 'V':
            record.kv = static_cast<float>(value - kValueOffset);
            break;
        case 'A':
            record.ma = static_cast<float>(value - kValueOffset);
            break;
        case 'S':
            record.exposure_time = exposure_seconds(value, record.program);
            break;
        default:
            break;  // the unit may add fields this module does not use
    }
}

}  // namespace

AcquisitionRecord parse_message(std::span<const std::uint8_t> received, const UnitModel& model) {
    AcquisitionRecord record{};
    for (std::size_t p = 0; p < received.size() && received[p] != 0; ++p) {
        if (received[p] != kStx || p + kFrameSize > received.size()) continue;
        if (received[p + 3] != kEtx) continue;
        store_field(record, static_cast<char>(received[p + 1]), received[p + 2], model);
    }
    return record;
}

}  // namespace np::serial
