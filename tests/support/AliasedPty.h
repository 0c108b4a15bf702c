#pragma once
// A pseudo-terminal published as COM<n> in an alias directory of its own, the way the
// simulator publishes its terminal: the port a window, the command line tool or a benchmark
// opens, with the far end in the caller's hands. A window must be built after it, since the
// window lists its ports then.

#include <optional>

#include "PortAlias.h"
#include "PtyPair.h"
#include "ScopedRuntimeDir.h"

class AliasedPty {
  public:
    explicit AliasedPty(int port) : m_alias(std::in_place, port, m_pty.slavePath()) {}

    PtyPair& pty() { return m_pty; }
    void removeAlias() { m_alias.reset(); }  // unplugged: the port's name leads nowhere

  private:
    ScopedRuntimeDir m_runtime;
    PtyPair m_pty;
    std::optional<PortAlias> m_alias;
};
