#include "Cable.h"

#include <cstdio>
#include <stdexcept>

namespace sim {

Cable::Cable(const std::string& aliasDirectory, int firstPort)
    : m_terminal(std::in_place), m_alias(aliasDirectory, firstPort, m_terminal->slavePath()) {}

void Cable::plugIn() {
    if (m_terminal) return;
    m_terminal.emplace();
    pointAliasAt(m_terminal->slavePath());
}

void Cable::pull() {
    if (!m_terminal) return;
    pointAliasAt(std::string(kUnplugged));
    m_terminal.reset();
}

// A single module is its alias: without it, nothing can find the module.
void Cable::pointAliasAt(std::string target) {
    if (!m_alias.retarget(std::move(target)))
        throw std::runtime_error(m_alias.path() + " is no longer ours");
}

void Cable::announce() const {
    std::printf("qz470-sim: COM%d -> %s\n", m_alias.port(), m_alias.target().c_str());
    std::fflush(stdout);
}

}  // namespace sim
