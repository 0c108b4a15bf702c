#include "Cable.h"

#include <cstdio>

namespace sim {

Cable::Cable(const std::string& aliasDirectory, int firstPort)
    : m_terminal(std::in_place), m_alias(aliasDirectory, firstPort, m_terminal->slavePath()) {}

void Cable::plugIn() {
    if (m_terminal) return;
    m_terminal.emplace();
    m_alias.retarget(m_terminal->slavePath());
}

void Cable::pull() {
    if (!m_terminal) return;
    m_alias.retarget(std::string(kUnplugged));
    m_terminal.reset();
}

void Cable::announce() const {
    std::printf("qz470-sim: COM%d -> %s\n", m_alias.port(), m_alias.target().c_str());
    std::fflush(stdout);
}

}  // namespace sim
