// The exported JBUS master. Handles are indexes into a small table of open ports.
#include <array>
#include <memory>

#include "npjbus/jbus_frame.h"
#include "npjbus/npjbus.h"
#include "npjbus/serial_port.h"

namespace {

using np::jbus::SerialPort;

constexpr int kMaxSlave = 247;  // 0 is broadcast, which has no answer to check
constexpr int kMaxAddress = 0xFFFF;

std::array<std::unique_ptr<SerialPort>, 16> g_ports;

SerialPort* port_of(int handle) {
    if (handle < 0 || handle >= static_cast<int>(g_ports.size())) return nullptr;
    return g_ports[static_cast<std::size_t>(handle)].get();
}

bool valid_target(int slave, int address) {
    return slave >= 1 && slave <= kMaxSlave && address >= 0 && address <= kMaxAddress;
}

bool valid_block(int address, int count, int max_count, const void* words) {
    return words && count >= 1 && count <= max_count && address + count - 1 <= kMaxAddress;
}

}  // namespace

extern "C" int JBUS_CALL JbusOpenCom(const char* port, int baud) {
    try {
        if (!port || !np::jbus::supported_rate(baud)) return -1;
        for (std::size_t i = 0; i < g_ports.size(); ++i) {
            if (g_ports[i]) continue;
            g_ports[i] = SerialPort::open(port, baud);
            return g_ports[i] ? static_cast<int>(i) : -1;
        }
        return -1;
    } catch (...) {
        return -1;
    }
}

extern "C" int JBUS_CALL JbusCloseCom(int* handle) {
    if (!handle) return JBUS_ERR_ARGUMENT;
    const int closing = *handle;
    *handle = -1;
    if (!port_of(closing)) return JBUS_ERR_ARGUMENT;
    g_ports[static_cast<std::size_t>(closing)].reset();
    return JBUS_OK;
}

extern "C" int JBUS_CALL JbusReadSeveralWords(int handle, int slave, int address, int count,
                                              unsigned short* words) {
    try {
        SerialPort* port = port_of(handle);
        if (!port || !valid_target(slave, address) ||
            !valid_block(address, count, np::jbus::kMaxReadCount, words))
            return JBUS_ERR_ARGUMENT;
        const auto request = np::jbus::read_words_request(static_cast<std::uint8_t>(slave),
                                                          static_cast<std::uint16_t>(address),
                                                          static_cast<std::uint16_t>(count));
        return port->transact(request, std::span(words, static_cast<std::size_t>(count)));
    } catch (...) {
        return JBUS_ERR_PORT;
    }
}

extern "C" int JBUS_CALL JbusWriteSeveralWords(int handle, int slave, int address, int count,
                                               const unsigned short* words) {
    try {
        SerialPort* port = port_of(handle);
        if (!port || !valid_target(slave, address) ||
            !valid_block(address, count, np::jbus::kMaxWriteCount, words))
            return JBUS_ERR_ARGUMENT;
        const auto request = np::jbus::write_words_request(
            static_cast<std::uint8_t>(slave), static_cast<std::uint16_t>(address),
            std::span(words, static_cast<std::size_t>(count)));
        return port->transact(request, {});
    } catch (...) {
        return JBUS_ERR_PORT;
    }
}

extern "C" int JBUS_CALL JbusWriteOneWord(int handle, int slave, int address,
                                          unsigned short value) {
    try {
        SerialPort* port = port_of(handle);
        if (!port || !valid_target(slave, address)) return JBUS_ERR_ARGUMENT;
        const auto request = np::jbus::write_one_word_request(
            static_cast<std::uint8_t>(slave), static_cast<std::uint16_t>(address), value);
        return port->transact(request, {});
    } catch (...) {
        return JBUS_ERR_PORT;
    }
}
