#include "PtyPair.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "Wait.h"

namespace {

[[noreturn]] void throwSystemError(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// Waits for events on fd until deadline; false once the deadline has passed.
bool pollUntil(int fd, short events, Deadline deadline) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, deadline.millisecondsLeft());
        if (ready > 0) return true;
        if (ready == 0) return false;
        if (errno != EINTR) throwSystemError("poll");
    }
}

}  // namespace

PtyPair::PtyPair() {
    int master = -1;
    int slave = -1;
    char name[PATH_MAX];
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) throwSystemError("openpty");
    m_master.reset(master);
    m_slave.reset(slave);
    m_slavePath = name;
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    if (::fcntl(master, F_SETFL, O_NONBLOCK) != 0) throwSystemError("fcntl");
    termios tio{};
    if (::tcgetattr(slave, &tio) != 0) throwSystemError("tcgetattr");
    ::cfmakeraw(&tio);
    if (::tcsetattr(slave, TCSANOW, &tio) != 0) throwSystemError("tcsetattr");
}

bool PtyPair::writeMaster(std::span<const std::uint8_t> bytes, std::chrono::milliseconds limit) {
    const Deadline deadline(limit);
    while (!bytes.empty()) {
        const ssize_t written = ::write(m_master.get(), bytes.data(), bytes.size());
        if (written > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(written));
        } else if (errno != EAGAIN && errno != EINTR) {
            return false;
        } else if (!pollUntil(m_master.get(), POLLOUT, deadline)) {
            return false;
        }
    }
    return true;
}

std::vector<std::uint8_t> PtyPair::readMaster(std::size_t count, std::chrono::milliseconds limit) {
    const Deadline deadline(limit);
    std::vector<std::uint8_t> got;
    std::uint8_t chunk[4096];
    while (got.size() < count) {
        const ssize_t n = ::read(m_master.get(), chunk, std::min(sizeof chunk, count - got.size()));
        if (n > 0) {
            got.insert(got.end(), chunk, chunk + n);
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            break;
        } else if (!pollUntil(m_master.get(), POLLIN, deadline)) {
            break;
        }
    }
    return got;
}
