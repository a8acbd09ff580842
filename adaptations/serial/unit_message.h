// The unit's serial message: frames of four bytes, STX, a field letter, one value
// byte, ETX.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "adaptations/serial/unit_model.h"
#include "common/acquisition_record.h"

namespace np::serial {

inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kEtx = 0x03;
inline constexpr std::size_t kFrameSize = 4;
// A COM-port message: four frames from the first STX on.
inline constexpr std::size_t kComMessageSize = 16;
// The most one read of the card's serial channel hands over.
inline constexpr std::size_t kReceiveBufferSize = 200;

// A record holding program, kV, mA and exposure time of the frames found in the
// received bytes, everything else zero. Only the bytes received are looked at: the
// search ends at the first zero byte or at the end of what arrived, and a frame
// cut off by either is ignored.
AcquisitionRecord parse_message(std::span<const std::uint8_t> received, const UnitModel& model);

}  // namespace np::serial
