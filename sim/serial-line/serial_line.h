// The unit simulators' side of a serial line: a pseudo-terminal pair whose other
// end a COM port is mapped to.
#pragma once

#include <termios.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace np::sim {

struct SerialLine {
    int master = -1;
    int slave = -1;  // kept open so that the line survives the module closing its end
    std::string path;
};

// A raw line (no echo, no line editing, no translation) at the given speed.
bool open_serial_line(SerialLine& line, speed_t speed);

// Writes every byte unless the line fails.
bool write_all(int fd, const std::uint8_t* bytes, std::size_t size);

}  // namespace np::sim
