// The Win32 side of the link: one COM port in overlapped mode and one request's
// exchange on it. The framing rules live in jbus_frame.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>

#include "common/win32_handles.h"
#include "npjbus/jbus_frame.h"

namespace np::jbus {

class SerialPort {
  public:
    // Null when the port cannot be opened or does not take the line settings.
    static std::unique_ptr<SerialPort> open(const char* name, int baud);

    // Sends the request and checks its answer, with the retries of the protocol.
    int transact(const Request& request, std::span<std::uint16_t> words);

  private:
    SerialPort(UniqueFile port, UniqueHandle io_done, int baud);

    int attempt(const Request& request, std::span<std::uint16_t> words);
    bool send(std::span<const std::uint8_t> bytes);
    enum class Receive { complete, partial, nothing, failed };
    Receive receive(std::uint8_t* into, std::size_t wanted, std::size_t& got, DWORD deadline);
    void keep_silence();
    void resynchronise();

    UniqueFile port_;
    UniqueHandle io_done_;
    int baud_;
    LARGE_INTEGER last_traffic_{};
};

}  // namespace np::jbus
