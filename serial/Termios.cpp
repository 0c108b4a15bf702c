#include "Termios.h"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <cstring>

namespace serial {

namespace {

// The character majors of pseudo-terminal slaves.
constexpr unsigned kFirstPtySlaveMajor = 136;
constexpr unsigned kLastPtySlaveMajor = 143;

struct BaudSpeed {
    int baud;
    speed_t speed;
};

constexpr BaudSpeed kSpeeds[] = {
    {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},   {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600}, {115200, B115200},
    {230400, B230400}, {460800, B460800}, {921600, B921600},
};

std::optional<speed_t> speedFor(int baud) {
    for (const BaudSpeed& entry : kSpeeds) {
        if (entry.baud == baud) return entry.speed;
    }
    return std::nullopt;
}

// The parity bit is sent but not checked on input: a byte with a parity error is delivered
// as received, not replaced by 00 or dropped.
void setParity(termios& tio, proto::Parity parity) {
    tio.c_cflag &= ~(PARENB | PARODD);
    tio.c_iflag &= ~(INPCK | IGNPAR | PARMRK);
    if (parity == proto::Parity::kNone) return;
    tio.c_cflag |= PARENB;
    if (parity == proto::Parity::kOdd) tio.c_cflag |= PARODD;
}

std::string systemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

std::optional<termios> lineTermios(const termios& current, const proto::LineSettings& settings) {
    const std::optional<speed_t> speed = speedFor(settings.baud);
    if (!speed) return std::nullopt;
    termios tio = current;
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    setParity(tio, settings.parity);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, *speed);
    ::cfsetospeed(&tio, *speed);
    return tio;
}

std::string applyLineSettings(int fd, const proto::LineSettings& settings) {
    termios current{};
    if (::tcgetattr(fd, &current) != 0) return systemError("Cannot read the line settings");
    const std::optional<termios> wanted = lineTermios(current, settings);
    if (!wanted) return "Baud rate " + std::to_string(settings.baud) + " is not supported";
    if (::tcsetattr(fd, TCSANOW, &*wanted) != 0)
        return systemError("Cannot apply the line settings");

    // Pseudo-terminals have no modem lines and refuse this; a real port must not see DTR/RTS.
    const int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, TIOCMBIC, &lines);
    return {};
}

void discardQueues(int fd) {
    ::tcflush(fd, TCIOFLUSH);
}

std::optional<int> outputQueued(int fd) {
    struct stat device {};
    if (::fstat(fd, &device) != 0) return std::nullopt;
    const unsigned deviceMajor = major(device.st_rdev);
    if (S_ISCHR(device.st_mode) && deviceMajor >= kFirstPtySlaveMajor &&
        deviceMajor <= kLastPtySlaveMajor)
        return std::nullopt;
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) != 0) return std::nullopt;
    return queued;
}

}  // namespace serial
