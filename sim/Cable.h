#pragma once
// The simulator's serial line as the tool finds it: a pseudo-terminal published under a COM
// alias. Pulling the cable closes the terminal, so the tool sees a hang-up and the alias
// dangles as the device name of an unplugged adapter does; plugging it back opens a new
// terminal under the same alias.

#include <optional>
#include <string>

#include "AliasPublisher.h"
#include "PseudoTerminal.h"

namespace sim {

class Cable {
  public:
    // Plugged in. Throws std::runtime_error.
    Cable(const std::string& aliasDirectory, int firstPort);

    PseudoTerminal* terminal() { return m_terminal ? &*m_terminal : nullptr; }
    int com() const { return m_alias.port(); }
    int line() const { return m_terminal ? m_terminal->master() : -1; }  // -1 while pulled
    // Does nothing while pulled. Throws std::runtime_error.
    void pull();
    // Does nothing while plugged. Throws std::runtime_error.
    void plugIn();
    // Tells scripts where the port is, for example "qz470-sim: COM200 -> /dev/pts/5".
    void announce() const;

  private:
    // Throws std::runtime_error, also when someone else has removed or replaced the alias.
    void pointAliasAt(std::string target);

    std::optional<PseudoTerminal> m_terminal;
    AliasPublisher m_alias;
};

}  // namespace sim
