// The NorvanePan unit on a pseudo-terminal: JBUS slave 1, answered by libmodbus
// (an implementation of the protocol independent of our master), with the unit's
// behaviour from unit_model and faults of the line on demand.
//
//   ventraunit [--control]
//
// Prints "DATA <path>" (the end a COM port is mapped to) and, with --control,
// "CONTROL <path>": command lines written there, or on standard input, drive the
// unit (unit_model.h: handswitch, error N, lost GROUP, indicators HEX,
// maintenance on|off, ready on|off, cooling S|none, firmware TEXT, command HEX, restart,
// set ADDRESS WORD...) and the line: cut, restore, delay MS, corrupt N, short N,
// exception CODE N (the next N answers), quit. ";" separates commands.
#include <fcntl.h>
#include <modbus/modbus.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/serial-line/serial_line.h"
#include "sim/ventra-unit/unit_model.h"

namespace {

using np::ventraunit::UnitModel;
namespace reg = np::ventraunit::reg;
using Clock = std::chrono::steady_clock;

struct LineFaults {
    bool cut = false;
    int delay_ms = 0;
    int corrupt = 0;
    int shorten = 0;
    int exceptions = 0;
    int exception_code = 0;
};

class Slave {
  public:
    Slave(int line, UnitModel& unit) : line_(line), unit_(unit) {
        context_ = modbus_new_rtu("/dev/null", 57600, 'N', 8, 1);
        mapping_ = modbus_mapping_new_start_address(0, 0, 0, 0, reg::first,
                                                    UnitModel::register_count, 0, 0);
        modbus_set_slave(context_, 1);
        modbus_set_socket(context_, line_);
        if (pipe(capture_) != 0) capture_[0] = capture_[1] = -1;
    }
    ~Slave() {
        modbus_mapping_free(mapping_);
        modbus_free(context_);
    }
    bool ready() const { return context_ && mapping_ && capture_[0] >= 0; }
    LineFaults& faults() { return faults_; }

    void serve() {
        std::uint8_t request[MODBUS_RTU_MAX_ADU_LENGTH];
        const int length = modbus_receive(context_, request);
        if (length < 0) {
            unit_.count_request(false);
            return;
        }
        if (length == 0) return;  // for another slave
        unit_.count_request(true);
        if (faults_.cut) return;
        if (faults_.delay_ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(faults_.delay_ms));
        if (faults_.exceptions > 0) {
            --faults_.exceptions;
            modbus_reply_exception(context_, request, faults_.exception_code);
            return;
        }
        std::copy_n(unit_.registers(), UnitModel::register_count, mapping_->tab_registers);
        if (faults_.corrupt > 0 || faults_.shorten > 0) reply_damaged(request, length);
        else modbus_reply(context_, request, length, mapping_);
        take_writes(request);
    }

  private:
    // libmodbus writes the answer into a pipe; we damage it and send it on.
    void reply_damaged(const std::uint8_t* request, int length) {
        modbus_set_socket(context_, capture_[1]);
        modbus_reply(context_, request, length, mapping_);
        modbus_set_socket(context_, line_);
        std::uint8_t answer[MODBUS_RTU_MAX_ADU_LENGTH];
        const ssize_t n = read(capture_[0], answer, sizeof answer);
        if (n <= 0) return;
        std::size_t size = static_cast<std::size_t>(n);
        if (faults_.corrupt > 0) {
            --faults_.corrupt;
            answer[size - 1] ^= 0x5A;
        } else {
            --faults_.shorten;
            size /= 2;
        }
        np::sim::write_all(line_, answer, size);
    }

    void take_writes(const std::uint8_t* request) {
        const int function = request[1];
        if (function != 6 && function != 16) return;
        const auto address = static_cast<std::uint16_t>(request[2] << 8 | request[3]);
        const std::uint16_t count = function == 6 ? 1 : static_cast<std::uint16_t>(request[4] << 8 | request[5]);
        for (std::uint16_t i = 0; i < count; ++i) {
            const auto at = static_cast<std::uint16_t>(address + i);
            if (at >= reg::first && at < reg::end)
                unit_.set_word(at, mapping_->tab_registers[at - reg::first]);
        }
        unit_.written(address, count);
        // Every command word is journaled on standard output, for tests that check
        // what the console sent.
        if (address <= reg::command && reg::command < address + count)
            std::cout << "COMMAND " << std::hex << std::setw(4) << std::setfill('0') << unit_.word(reg::command)
                      << std::dec << std::endl;
    }

    int line_;
    UnitModel& unit_;
    modbus_t* context_ = nullptr;
    modbus_mapping_t* mapping_ = nullptr;
    int capture_[2] = {-1, -1};
    LineFaults faults_;
};

std::string play_line_command(LineFaults& faults, const std::string& command, bool& handled) {
    std::istringstream in(command);
    std::string verb;
    in >> verb;
    handled = true;
    int a = 0, b = 0;
    if (verb == "cut") faults.cut = true;
    else if (verb == "restore") faults = LineFaults{};
    else if (verb == "delay" && in >> a && a >= 0) faults.delay_ms = a;
    else if (verb == "corrupt" && in >> a && a >= 0) faults.corrupt = a;
    else if (verb == "short" && in >> a && a >= 0) faults.shorten = a;
    else if (verb == "exception" && in >> a >> b && a > 0 && b >= 0) {
        faults.exception_code = a;
        faults.exceptions = b;
    } else if (verb == "cut" || verb == "restore" || verb == "delay" || verb == "corrupt" ||
               verb == "short" || verb == "exception") {
        return "bad arguments: " + command;
    } else {
        handled = false;
    }
    return {};
}

// Splits what arrived into commands; keeps an unfinished line for later.
class CommandInput {
  public:
    std::vector<std::string> take(const char* bytes, std::size_t size) {
        pending_.append(bytes, size);
        std::vector<std::string> commands;
        std::size_t end;
        while ((end = pending_.find_first_of("\r\n")) != std::string::npos) {
            std::istringstream line(pending_.substr(0, end));
            pending_.erase(0, end + 1);
            for (std::string command; std::getline(line, command, ';');)
                if (command.find_first_not_of(" \t") != std::string::npos) commands.push_back(command);
        }
        return commands;
    }

  private:
    std::string pending_;
};

}  // namespace

int main(int argc, char** argv) {
    const bool control = argc > 1 && std::strcmp(argv[1], "--control") == 0;
    np::sim::SerialLine data, commands;
    if (!np::sim::open_serial_line(data, B57600) ||
        (control && !np::sim::open_serial_line(commands, B57600))) {
        std::cerr << "ventraunit: no pseudo-terminal: " << std::strerror(errno) << '\n';
        return 1;
    }
    std::cout << "DATA " << data.path << '\n';
    if (control) std::cout << "CONTROL " << commands.path << '\n';
    std::cout.flush();

    UnitModel unit;
    Slave slave(data.master, unit);
    if (!slave.ready()) {
        std::cerr << "ventraunit: libmodbus could not be set up\n";
        return 1;
    }
    CommandInput from_control, from_stdin;
    bool stdin_open = true;
    auto last = Clock::now();
    for (;;) {
        pollfd fds[3] = {{data.master, POLLIN, 0}, {commands.master, POLLIN, 0}, {0, POLLIN, 0}};
        const nfds_t count = stdin_open ? 3 : 2;
        if (poll(fds, count, 20) < 0 && errno != EINTR) return 1;
        const auto now = Clock::now();
        unit.advance(static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(now - last).count()));
        last = now;

        std::vector<std::string> lines;
        char buffer[512];
        for (int i : {1, 2}) {
            if (i == 2 && !stdin_open) continue;
            if (!(fds[i].revents & (POLLIN | POLLHUP))) continue;
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                if (i == 2) stdin_open = false;
                continue;
            }
            auto& input = i == 1 ? from_control : from_stdin;
            for (auto& line : input.take(buffer, static_cast<std::size_t>(n))) lines.push_back(line);
        }
        for (const std::string& line : lines) {
            if (line.find("quit") != std::string::npos) return 0;
            bool handled = false;
            std::string error = play_line_command(slave.faults(), line, handled);
            if (!handled) error = np::ventraunit::play_unit_command(unit, line);
            if (!error.empty()) std::cerr << "ventraunit: " << error << '\n';
        }
        // After the commands: a command written just before a request applies to it.
        if (fds[0].revents & POLLIN) slave.serve();
        if (!stdin_open && !control) return 0;
    }
}
