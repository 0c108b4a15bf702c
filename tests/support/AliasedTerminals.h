#pragma once
// Port names that can repeat one port, in an alias directory of their own: COM150 and COM151
// are aliases of one terminal, TTY stands for that terminal's own path, and COM152 is the alias
// of another terminal.

#include <string>
#include <vector>

#include "PortAlias.h"
#include "PtyPair.h"
#include "ScopedRuntimeDir.h"

class AliasedTerminals {
  public:
    // The text with each TTY replaced by the shared terminal's path.
    std::string named(std::string text) const;
    std::vector<std::string> named(std::vector<std::string> names) const;

    PtyPair& shared() { return m_shared; }
    PtyPair& other() { return m_other; }

  private:
    ScopedRuntimeDir m_runtime;
    PtyPair m_shared;
    PtyPair m_other;
    PortAlias m_first{150, m_shared.slavePath()};
    PortAlias m_second{151, m_shared.slavePath()};
    PortAlias m_third{152, m_other.slavePath()};
};
