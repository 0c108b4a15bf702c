#include "LostPort.h"

#include <sys/stat.h>

#include "PortNames.h"

LostPort::LostPort(int port) : m_port(port), m_seenGone(!deviceIsThere()) {}

std::optional<int> LostPort::returnedPort() {
    const bool there = deviceIsThere();
    if (!there) m_seenGone = true;
    if (there && m_seenGone) return m_port;
    return std::nullopt;
}

// Aliases are followed to the device they name; a dangling one is no device.
bool LostPort::deviceIsThere() const {
    const auto path = devicePathForPort(m_port);
    struct stat info {};
    return path && ::stat(path->c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}
