#include "PseudoTerminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <stdexcept>

#include "SystemError.h"

namespace sim {

PseudoTerminal::PseudoTerminal()
    : m_master(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    if (!m_master) throw systemFailure("cannot open a pseudo-terminal");
    char name[128];
    if (::grantpt(m_master.get()) != 0 || ::unlockpt(m_master.get()) != 0 ||
        ::ptsname_r(m_master.get(), name, sizeof name) != 0) {
        throw systemFailure("cannot unlock the pseudo-terminal");
    }
    m_slavePath = name;
    m_slave.reset(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!m_slave) throw systemFailure("cannot open " + m_slavePath);
    // A cooked terminal would echo the tool's requests back to it before the tool has opened
    // the port and set its own raw mode.
    termios settings{};
    if (::tcgetattr(m_slave.get(), &settings) != 0)
        throw systemFailure("cannot read " + m_slavePath);
    ::cfmakeraw(&settings);
    if (::tcsetattr(m_slave.get(), TCSANOW, &settings) != 0) {
        throw systemFailure("cannot set " + m_slavePath + " raw");
    }
}

bool PseudoTerminal::releaseAbandonedExclusive() {
    int exclusive = 0;
    if (::ioctl(m_slave.get(), TIOCGEXCL, &exclusive) != 0 || exclusive == 0) return false;
    // A tool that has the port open holds its lock (taken before the mark is set).
    if (::flock(m_slave.get(), LOCK_EX | LOCK_NB) != 0) return false;
    ::ioctl(m_slave.get(), TIOCNXCL);
    ::flock(m_slave.get(), LOCK_UN);
    return true;
}

}  // namespace sim
