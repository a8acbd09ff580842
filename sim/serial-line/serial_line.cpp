#include "sim/serial-line/serial_line.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace np::sim {

bool open_serial_line(SerialLine& line, speed_t speed) {
    line.master = posix_openpt(O_RDWR | O_NOCTTY);
    if (line.master < 0 || grantpt(line.master) != 0 || unlockpt(line.master) != 0) return false;
    const char* name = ptsname(line.master);
    if (!name) return false;
    line.path = name;
    line.slave = open(name, O_RDWR | O_NOCTTY);
    if (line.slave < 0) return false;
    termios mode{};
    if (tcgetattr(line.slave, &mode) != 0) return false;
    cfmakeraw(&mode);
    cfsetispeed(&mode, speed);
    cfsetospeed(&mode, speed);
    return tcsetattr(line.slave, TCSANOW, &mode) == 0;
}

bool write_all(int fd, const std::uint8_t* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace np::sim
