#pragma once
// A lab module's port: a pseudo-terminal under a COM alias of its own, kept for the lab's whole
// life. Without a terminal (cable pulled, module switched off) the alias names what happened
// instead of a device, so it dangles; it never keeps naming a terminal that was closed, whose
// number another module's new terminal may take.

#include <optional>
#include <string>
#include <string_view>

#include "AliasPublisher.h"
#include "LabMesh.h"
#include "PseudoTerminal.h"

namespace sim {

class LabPort {
  public:
    // A terminal under the first free alias from firstPort to lastPort. Every port of a lab
    // starts with a terminal, so that none of its aliases dangles, and counts as free, while
    // the others are handed out. Throws std::runtime_error.
    LabPort(const std::string& aliasDirectory, int firstPort, int lastPort);

    int com() const { return m_alias.port(); }
    int line() const { return m_terminal ? m_terminal->master() : -1; }
    PseudoTerminal* terminal() { return m_terminal ? &*m_terminal : nullptr; }

    // A new terminal under the alias; nothing while there is one. Throws std::runtime_error.
    void plug();
    // The alias names state, then the terminal closes, so the tool sees a hang-up.
    void unplug(std::string_view state);
    // False once someone else has removed or replaced the alias: the port keeps its terminal,
    // and leaves the alias alone, also when the lab ends.
    bool published() const { return m_alias.ours(); }
    // "qz470-sim: COM200 -> /dev/pts/5 (node 1)", or "-> unplugged" without a terminal;
    // "qz470-sim: node 1 -> /dev/pts/5 (COM200 is no longer its alias)" once not published.
    void announce(NodeId node) const;

  private:
    std::optional<PseudoTerminal> m_terminal;
    AliasPublisher m_alias;
};

}  // namespace sim
