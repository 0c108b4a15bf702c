#pragma once
// Every port of a survey published as a COM alias to a pseudo-terminal of its own, in an alias
// directory of its own, so that a window lists them as it would list a lab's. Build the window
// after it.

#include <list>
#include <memory>

#include "PortAlias.h"
#include "PtyPair.h"
#include "ScopedRuntimeDir.h"
#include "Survey.h"

class PublishedPorts {
  public:
    explicit PublishedPorts(const mesh::Survey& survey);  // ports named other than COM<n> skipped

  private:
    ScopedRuntimeDir m_runtime;
    std::list<PtyPair> m_terminals;
    std::list<PortAlias> m_aliases;
};
