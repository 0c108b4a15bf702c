#pragma once
// The simulator's end of the serial line: a pseudo-terminal whose slave side the tool opens
// as its port.

#include <chrono>
#include <string>

#include "FileDescriptor.h"

namespace sim {

class PseudoTerminal {
  public:
    // How often a terminal left exclusive by a killed tool is looked for.
    static constexpr std::chrono::milliseconds kAbandonCheckEvery{500};

    // Throws std::runtime_error.
    PseudoTerminal();

    int master() const { return m_master.get(); }
    // A tool killed without closing leaves the terminal marked exclusive, and then nobody but
    // root can open it again. When the mark is set but no one holds the port's lock any more,
    // the mark is the dead tool's: clear it. True when it was cleared.
    bool releaseAbandonedExclusive();
    const std::string& slavePath() const { return m_slavePath; }

  private:
    files::FileDescriptor m_master;
    // Held open for the simulator's whole life: the terminal keeps its raw settings, and the
    // master does not hang up each time the tool closes the port.
    files::FileDescriptor m_slave;
    std::string m_slavePath;
};

}  // namespace sim
