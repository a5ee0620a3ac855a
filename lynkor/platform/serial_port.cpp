#include "platform/serial_port.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace lynkor::platform {
namespace {

bool s_speedOf(uint32_t baudRate, speed_t* speed) {
    switch (baudRate) {
        case 2400:
            *speed = B2400;
            return true;
        case 4800:
            *speed = B4800;
            return true;
        case 9600:
            *speed = B9600;
            return true;
        case 19200:
            *speed = B19200;
            return true;
        case 38400:
            *speed = B38400;
            return true;
        case 57600:
            *speed = B57600;
            return true;
        case 115200:
            *speed = B115200;
            return true;
        case 230400:
            *speed = B230400;
            return true;
        default:
            return false;
    }
}

}  // namespace

bool serialTermios(const termios& previous, const SerialSettings& wanted, termios* result) {
    speed_t speed = B0;
    if (!s_speedOf(wanted.baudRate, &speed)) {
        return false;
    }
    termios settings = previous;
    // Turn off all line discipline: every byte passes as it is, and a read returns at once
    // with what has arrived.
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cflag &= ~(PARENB | PARODD | CSIZE | CSTOPB | CRTSCTS);
    if (wanted.oddParity) {
        settings.c_cflag |= PARENB | PARODD;
        settings.c_iflag |= INPCK;
    } else {
        settings.c_iflag &= ~INPCK;
    }
    settings.c_cflag |= wanted.sevenDataBits ? CS7 : CS8;
    if (wanted.twoStopBits) {
        settings.c_cflag |= CSTOPB;
    }
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
    *result = settings;
    return true;
}

std::string serialDevicePath(const char* portName) {
    std::string name(portName);
    return name.find('/') == std::string::npos ? "/dev/" + name : name;
}

aErr serialOpen(const std::string& path, const SerialSettings& wanted, SerialPort* port) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return aErrIO;
    }
    termios saved{};
    // The advisory lock keeps out other processes even where TIOCEXCL does not (a privileged
    // one); TIOCEXCL keeps out those that do not take locks.
    if (!isatty(fd) || tcgetattr(fd, &saved) != 0 || flock(fd, LOCK_EX | LOCK_NB) != 0 ||
        ioctl(fd, TIOCEXCL) != 0) {
        close(fd);
        return aErrIO;
    }
    termios settings{};
    if (!serialTermios(saved, wanted, &settings) || tcsetattr(fd, TCSANOW, &settings) != 0) {
        ioctl(fd, TIOCNXCL);
        close(fd);
        return aErrIO;
    }
    port->fd = fd;
    port->saved = saved;
    return aErrNone;
}

aErr serialClose(SerialPort* port) {
    if (port->fd < 0) {
        return aErrIO;
    }
    aErr result = tcsetattr(port->fd, TCSANOW, &port->saved) == 0 ? aErrNone : aErrIO;
    ioctl(port->fd, TIOCNXCL);
    close(port->fd);
    port->fd = -1;
    return result;
}

}  // namespace lynkor::platform
