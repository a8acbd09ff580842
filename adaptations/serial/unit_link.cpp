#include "adaptations/serial/unit_link.h"

#include <algorithm>
#include <string>

#include "adaptations/serial/serial_settings.h"
#include "common/text_numbers.h"

namespace np::serial {
namespace {

constexpr const char* kLineSettings = ": baud=9600 parity=N data=8 stop=1";

enum class ByteRead { received, stopped, timed_out, failed };

bool signalled(HANDLE event) {
    return ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

// One overlapped byte. A read still pending when the wait ends is cancelled and
// waited for, so that it can never land in the buffer later; a byte that arrives
// while it is being cancelled still counts.
ByteRead read_byte(HANDLE port, HANDLE read_event, HANDLE done, std::uint8_t* byte, DWORD timeout) {
    if (signalled(done)) return ByteRead::stopped;
    OVERLAPPED overlapped{};
    overlapped.hEvent = read_event;
    DWORD count = 0;
    if (::ReadFile(port, byte, 1, &count, &overlapped))
        return count == 1 ? ByteRead::received : ByteRead::failed;
    if (::GetLastError() != ERROR_IO_PENDING) return ByteRead::failed;

    const HANDLE waits[] = {read_event, done};
    const DWORD woke = ::WaitForMultipleObjects(2, waits, FALSE, timeout);
    if (woke != WAIT_OBJECT_0) ::CancelIo(port);
    const bool got = ::GetOverlappedResult(port, &overlapped, &count, TRUE) && count == 1;
    if (got) return ByteRead::received;
    if (woke == WAIT_OBJECT_0 + 1) return ByteRead::stopped;
    if (woke == WAIT_TIMEOUT) return ByteRead::timed_out;
    return ByteRead::failed;
}

Received receive_from_com(HANDLE port, std::span<std::uint8_t, kReceiveBufferSize> buffer,
                          HANDLE done) {
    UniqueHandle read_event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!read_event) return {Receive::failed, 0};

    // Whatever precedes the first STX is not part of the message.
    for (;;) {
        const ByteRead r = read_byte(port, read_event.get(), done, &buffer[0], INFINITE);
        if (r == ByteRead::stopped) return {Receive::stopped, 0};
        if (r != ByteRead::received) return {Receive::failed, 0};
        if (buffer[0] == kStx) break;
    }
    // The unit sends the rest in one go; a byte that does not come within the time
    // limit means the unit has stopped, and the message is what arrived so far.
    std::size_t bytes = 1;
    while (bytes < kComMessageSize) {
        const ByteRead r = read_byte(port, read_event.get(), done, &buffer[bytes], kByteTimeoutMs);
        if (r == ByteRead::stopped) return {Receive::stopped, bytes};
        if (r != ByteRead::received) break;
        ++bytes;
    }
    return {Receive::message, bytes};
}

Received receive_from_card(card::CardDevice& card,
                           std::span<std::uint8_t, kReceiveBufferSize> buffer, HANDLE done) {
    std::uint32_t received = 0;
    switch (card.read_serial(buffer.data(), static_cast<std::uint32_t>(buffer.size()), received,
                             done)) {
        case card::SerialRead::Completed:
            return {Receive::message, std::min<std::size_t>(received, buffer.size())};
        case card::SerialRead::Cancelled:
            return {Receive::stopped, 0};
        case card::SerialRead::Failed:
            break;
    }
    return {Receive::failed, 0};
}

}  // namespace

bool UnitLink::is_open() const {
    return port_ || card_;
}

void UnitLink::close() {
    port_.reset();
    card_.reset();
}

int UnitLink::open(const UnitModel& model) {
    close();
    const std::string number = read_com_port(model);
    if (decimal_value(number) == 0) return open_card_channel();
    return open_com_port(number);
}

int UnitLink::open_com_port(const std::string& number) {
    const std::string name = "COM" + number;
    UniqueFile port(::CreateFileA(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!port) return kLinkFailed;

    const std::string control = name + kLineSettings;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::BuildCommDCBA(control.c_str(), &dcb) || !::SetCommState(port.get(), &dcb))
        return kLinkFailed;
    // Reads wait for their byte however long it takes; the reader bounds the waits
    // itself. A previous user of the port may have left other time-outs behind.
    COMMTIMEOUTS timeouts{};
    if (!::SetCommTimeouts(port.get(), &timeouts)) return kLinkFailed;

    port_ = std::move(port);
    return kLinkOpen;
}

// The card driver hands the line's settings to the card itself; the module only
// insists that they exist.
int UnitLink::open_card_channel() {
    const auto baud_rate = read_card_baud_rate();
    if (!baud_rate || *baud_rate == 0) return kLinkFailed;
    std::unique_ptr<card::CardDevice> device = card::open_card_device();
    if (!device) return kLinkFailed;
    std::uint8_t status = 0;
    if (!device->read_status(status)) return kLinkFailed;
    if (!card::serial_line_usable(status)) return kLinkUnavailable;
    card_ = std::move(device);
    return kLinkOpen;
}

void UnitLink::flush() {
    if (port_)
        ::PurgeComm(port_.get(), PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
}

Received UnitLink::receive(std::span<std::uint8_t, kReceiveBufferSize> buffer, HANDLE done) {
    if (card_) return receive_from_card(*card_, buffer, done);
    if (port_) return receive_from_com(port_.get(), buffer, done);
    return {Receive::failed, 0};
}

}  // namespace np::serial
