// The link to the unit: a COM port of the computer, or the serial channel of the
// interface card. Opened by OpenCommPort, read once, closed by ReadCommData.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "acquisition/card/card_device.h"
#include "adaptations/serial/unit_message.h"
#include "adaptations/serial/unit_model.h"
#include "common/win32_handles.h"

namespace np::serial {

// OpenCommPort results.
inline constexpr int kLinkOpen = 0;
inline constexpr int kLinkFailed = 5;
inline constexpr int kLinkUnavailable = 7;

// How long a byte of a COM-port message may keep the reader waiting once the
// message has begun.
inline constexpr DWORD kByteTimeoutMs = 10'000;

enum class Receive {
    message,  // bytes arrived (possibly fewer than a whole message)
    stopped,  // the done event ended the wait
    failed,   // the link could not be read at all
};

struct Received {
    Receive outcome;
    std::size_t bytes;
};

class UnitLink {
  public:
    UnitLink() = default;
    UnitLink(const UnitLink&) = delete;
    UnitLink& operator=(const UnitLink&) = delete;
    ~UnitLink() { close(); }

    // Opens the link the "COM" setting names; closes any link still open first.
    int open(const UnitModel& model);
    bool is_open() const;
    void close();

    // Drops whatever the port has buffered (COM port only).
    void flush();

    // Reads one message into the buffer: on a COM port from the first STX on, at most
    // kComMessageSize bytes; through the card one read of at most kReceiveBufferSize
    // bytes. Every wait ends when `done` is signalled, and no read is left pending on
    // the buffer when this returns.
    Received receive(std::span<std::uint8_t, kReceiveBufferSize> buffer, HANDLE done);

  private:
    int open_com_port(const std::string& number);
    int open_card_channel();

    UniqueFile port_;                         // the COM port, or
    std::unique_ptr<card::CardDevice> card_;  // the card, for its serial channel
};

}  // namespace np::serial
