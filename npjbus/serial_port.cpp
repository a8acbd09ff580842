#include "npjbus/serial_port.h"

#include <string>
#include <vector>

#include "npjbus/npjbus.h"

namespace np::jbus {
namespace {

constexpr DWORD kSendAllowanceMs = 1000;

std::string device_path(const char* name) {
    return std::string("\\\\.\\") + name;
}

bool configure(HANDLE port, int baud) {
    // Built from nothing rather than from the port's current state, which another
    // program may have left unusable.
    const std::string settings = "baud=" + std::to_string(line_rate(baud)) + " parity=N data=8 stop=1";
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::BuildCommDCBA(settings.c_str(), &dcb)) return false;
    dcb.fBinary = TRUE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    if (!::SetCommState(port, &dcb)) return false;
    // Reads wait for their bytes however long it takes; the exchange bounds its
    // waits itself, and a previous user of the port may have left time-outs behind.
    COMMTIMEOUTS timeouts{};
    return ::SetCommTimeouts(port, &timeouts) != 0;
}

DWORD remaining_ms(DWORD deadline) {
    const DWORD now = ::GetTickCount();
    return static_cast<LONG>(deadline - now) > 0 ? deadline - now : 0;
}

}  // namespace

std::unique_ptr<SerialPort> SerialPort::open(const char* name, int baud) {
    UniqueFile port(::CreateFileA(device_path(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    if (!port || !configure(port.get(), baud)) return nullptr;
    UniqueHandle io_done(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!io_done) return nullptr;
    return std::unique_ptr<SerialPort>(new SerialPort(std::move(port), std::move(io_done), baud));
}

SerialPort::SerialPort(UniqueFile port, UniqueHandle io_done, int baud)
    : port_(std::move(port)), io_done_(std::move(io_done)), baud_(baud) {}

int SerialPort::transact(const Request& request, std::span<std::uint16_t> words) {
    int result = JBUS_ERR_TIMEOUT;
    for (int n = 0; n < JBUS_ATTEMPTS; ++n) {
        result = attempt(request, words);
        const bool worth_repeating = result == JBUS_ERR_TIMEOUT || result == JBUS_ERR_CRC ||
                                     result == JBUS_ERR_MALFORMED;
        if (!worth_repeating) break;
        resynchronise();
    }
    return result;
}

int SerialPort::attempt(const Request& request, std::span<std::uint16_t> words) {
    keep_silence();
    if (!send(request.bytes)) return JBUS_ERR_PORT;

    const DWORD deadline = ::GetTickCount() + answer_timeout_ms(baud_, request);
    std::vector<std::uint8_t> answer(std::max(request.answer_length, kExceptionAnswerLength));
    std::size_t got = 0;
    // The shortest answer, an exception, decides how long the whole one is.
    std::size_t wanted = kExceptionAnswerLength;
    while (got < wanted) {
        switch (receive(answer.data() + got, wanted - got, got, deadline)) {
            case Receive::failed:
                return JBUS_ERR_PORT;
            case Receive::nothing:
                return got == 0 ? JBUS_ERR_TIMEOUT : JBUS_ERR_MALFORMED;
            case Receive::partial:
            case Receive::complete:
                break;
        }
        if (got >= kExceptionAnswerLength)
            wanted = expected_answer_length(request, std::span(answer).first(got));
    }
    ::QueryPerformanceCounter(&last_traffic_);
    return check_answer(request, std::span(answer).first(got), words);
}

bool SerialPort::send(std::span<const std::uint8_t> bytes) {
    ::PurgeComm(port_.get(), PURGE_RXCLEAR | PURGE_TXCLEAR);
    OVERLAPPED overlapped{};
    overlapped.hEvent = io_done_.get();
    ::ResetEvent(io_done_.get());
    DWORD written = 0;
    const DWORD length = static_cast<DWORD>(bytes.size());
    if (!::WriteFile(port_.get(), bytes.data(), length, &written, &overlapped)) {
        if (::GetLastError() != ERROR_IO_PENDING) return false;
        const DWORD limit = kSendAllowanceMs + wire_time_us(baud_, bytes.size()) / 1000;
        if (::WaitForSingleObject(io_done_.get(), limit) != WAIT_OBJECT_0) ::CancelIo(port_.get());
        if (!::GetOverlappedResult(port_.get(), &overlapped, &written, TRUE)) return false;
    }
    return written == length;
}

// One overlapped read of what is still missing. A read still pending at the
// deadline is cancelled and waited for, so that it can never land in the buffer
// later; bytes that arrived meanwhile still count.
SerialPort::Receive SerialPort::receive(std::uint8_t* into, std::size_t wanted, std::size_t& got,
                                        DWORD deadline) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = io_done_.get();
    ::ResetEvent(io_done_.get());
    DWORD count = 0;
    if (!::ReadFile(port_.get(), into, static_cast<DWORD>(wanted), &count, &overlapped)) {
        if (::GetLastError() != ERROR_IO_PENDING) return Receive::failed;
        if (::WaitForSingleObject(io_done_.get(), remaining_ms(deadline)) != WAIT_OBJECT_0)
            ::CancelIo(port_.get());
        if (!::GetOverlappedResult(port_.get(), &overlapped, &count, TRUE) &&
            ::GetLastError() != ERROR_OPERATION_ABORTED)
            return Receive::failed;
    }
    got += count;
    if (count == 0) return Receive::nothing;
    return count == wanted ? Receive::complete : Receive::partial;
}

// Frames are told apart by a silence of 3.5 characters on the line.
void SerialPort::keep_silence() {
    if (last_traffic_.QuadPart == 0) return;
    LARGE_INTEGER now{}, frequency{};
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    const auto since_us = static_cast<std::uint64_t>(now.QuadPart - last_traffic_.QuadPart) *
                          1'000'000ull / static_cast<std::uint64_t>(frequency.QuadPart);
    const std::uint32_t silence_us = frame_silence_us(baud_);
    if (since_us < silence_us)
        ::Sleep(static_cast<DWORD>((silence_us - since_us + 999) / 1000));
}

// After a damaged or missing answer the rest of it may still be on its way; let
// it pass and drop it so that it is not taken for the next answer.
void SerialPort::resynchronise() {
    ::Sleep(static_cast<DWORD>(frame_silence_us(baud_) / 1000 + 1));
    ::PurgeComm(port_.get(), PURGE_RXCLEAR);
    ::QueryPerformanceCounter(&last_traffic_);
}

}  // namespace np::jbus
