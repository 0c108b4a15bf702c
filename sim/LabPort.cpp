#include "LabPort.h"

#include <cstdio>

namespace sim {

LabPort::LabPort(const std::string& aliasDirectory, int firstPort, int lastPort)
    : m_terminal(std::in_place),
      m_alias(aliasDirectory, firstPort, m_terminal->slavePath(), lastPort) {}

// An alias someone else removed or replaced is theirs from then on (published() says so): the
// port runs on without it.
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
    const auto id = static_cast<unsigned>(node);
    if (published()) {
        std::printf("qz470-sim: COM%d -> %s (node %u)\n", m_alias.port(), m_alias.target().c_str(),
                    id);
    } else {
        std::printf("qz470-sim: node %u -> %s (COM%d is no longer its alias)\n", id,
                    m_terminal ? m_terminal->slavePath().c_str() : "no terminal", m_alias.port());
    }
    std::fflush(stdout);
}

}  // namespace sim
