#include "LostPort.h"

#include <sys/stat.h>

#include "PortNames.h"

namespace serial {

namespace {

// Aliases are followed to the device they name; a dangling one is no device.
bool isTty(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

}  // namespace

LostPort::LostPort(int port, std::optional<ports::UsbIdentity> adapter)
    : m_port(port), m_adapter(std::move(adapter)), m_seenGone(!portOfDevice()) {}

std::optional<int> LostPort::returnedPort() {
    const std::optional<int> port = portOfDevice();
    if (!port) m_seenGone = true;
    if (port && m_seenGone) return port;
    return std::nullopt;
}

std::optional<int> LostPort::portOfDevice() const {
    if (m_adapter) {
        const std::optional<std::string> node = ports::ttyOfAdapter(*m_adapter);
        return node ? ports::portNaming(*node, m_port) : std::nullopt;
    }
    const auto path = ports::devicePathForPort(m_port);
    if (path && isTty(*path)) return m_port;
    return std::nullopt;
}

}  // namespace serial
