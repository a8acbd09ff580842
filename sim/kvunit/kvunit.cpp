// The unit's side of the serial line, on a pseudo-terminal: the module under test
// opens the other end (under Wine through a COM port mapped onto it).
//
//   kvunit [--control] [--script FILE]
//
// Prints "DATA <slave path>" for the line the frames go out on. With --control it
// also opens a second pseudo-terminal and prints "CONTROL <slave path>": command
// lines written there (by a test, through a second COM port) are played on the data
// line. Commands also come from standard input and, first of all, from a script
// file. The commands are those of unit_script.h. Runs until it is terminated, or
// when neither input is left and no control line was asked for.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "sim/kvunit/unit_script.h"
#include "sim/serial-line/serial_line.h"

namespace {

class Player {
  public:
    explicit Player(int line) : line_(line) {}

    void play(const std::string& line) {
        const np::kvunit::Parsed parsed = np::kvunit::parse_command(line, splitting_);
        if (parsed.error) {
            std::cerr << "kvunit: " << *parsed.error << '\n';
            return;
        }
        for (const np::kvunit::Step& step : parsed.steps) {
            if (!step.bytes.empty() && !np::sim::write_all(line_, step.bytes.data(), step.bytes.size()))
                std::cerr << "kvunit: write failed: " << std::strerror(errno) << '\n';
            if (step.pause_ms > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(step.pause_ms));
        }
    }

  private:
    int line_;
    np::kvunit::Splitting splitting_;
};

// Splits what arrives on a descriptor into lines; the serial side ends them with
// CR LF or LF.
class LineReader {
  public:
    // False at the end of the input.
    bool read_from(int fd, std::vector<std::string>& lines) {
        char chunk[256];
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0) return n < 0 && (errno == EINTR || errno == EAGAIN);
        for (ssize_t i = 0; i < n; ++i) {
            if (chunk[i] == '\n' || chunk[i] == '\r' || chunk[i] == ';') {
                if (!pending_.empty()) lines.push_back(std::move(pending_));
                pending_.clear();
            } else {
                pending_ += chunk[i];
            }
        }
        return true;
    }

  private:
    std::string pending_;
};

}  // namespace

int main(int argc, char** argv) {
    bool control = false;
    const char* script = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--control") == 0) {
            control = true;
        } else if (std::strcmp(argv[i], "--script") == 0 && i + 1 < argc) {
            script = argv[++i];
        } else {
            std::cerr << "usage: kvunit [--control] [--script FILE]\n";
            return 2;
        }
    }
    signal(SIGPIPE, SIG_IGN);

    np::sim::SerialLine data;
    np::sim::SerialLine commands;
    if (!np::sim::open_serial_line(data, B9600) || (control && !np::sim::open_serial_line(commands, B9600))) {
        std::cerr << "kvunit: cannot open a pseudo-terminal: " << std::strerror(errno) << '\n';
        return 1;
    }
    std::cout << "DATA " << data.path << '\n';
    if (control) std::cout << "CONTROL " << commands.path << '\n';
    std::cout.flush();

    Player player(data.master);
    if (script) {
        std::ifstream in(script);
        if (!in) {
            std::cerr << "kvunit: cannot read " << script << '\n';
            return 1;
        }
        for (std::string line; std::getline(in, line);)
            player.play(line);
    }

    LineReader from_stdin;
    LineReader from_control;
    bool stdin_open = true;
    while (stdin_open || control) {
        pollfd fds[2] = {{stdin_open ? STDIN_FILENO : -1, POLLIN, 0},
                         {control ? commands.master : -1, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        std::vector<std::string> lines;
        if (fds[0].revents & (POLLIN | POLLHUP))
            stdin_open = from_stdin.read_from(STDIN_FILENO, lines);
        if (fds[1].revents & POLLIN) from_control.read_from(commands.master, lines);
        for (const std::string& line : lines)
            player.play(line);
    }
    return 0;
}
