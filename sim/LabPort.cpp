#include "LabPort.h"

#include <cstdio>

namespace sim {

LabPort::LabPort(const std::string& aliasDirectory, int firstPort, int lastPort)
    : m_terminal(std::in_place),
      m_alias(aliasDirectory, firstPort, m_terminal->slavePath(), lastPort) {}

void LabPort::plug() {
    if (m_terminal) return;
    m_terminal.emplace();
    m_alias.retarget(m_terminal->slavePath());
}

void LabPort::unplug(std::string_view state) {
    if (m_alias.target() != state) m_alias.retarget(std::string(state));
    m_terminal.reset();
}

void LabPort::announce(NodeId node) const {
    std::printf("qz470-sim: COM%d -> %s (node %u)\n", m_alias.port(), m_alias.target().c_str(),
                static_cast<unsigned>(node));
    std::fflush(stdout);
}

}  // namespace sim
