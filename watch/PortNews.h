#pragma once
// What a source tells the watcher's loop, from any thread: a port opened or failed, a node heard
// in a receive notice, a module read for a survey. Later sources (probes) tell it here too.

#include <cstdint>
#include <string>

#include "Survey.h"

namespace watch {

class PortNews {
  public:
    virtual ~PortNews() = default;
    virtual void portOpened(const std::string& port) = 0;
    virtual void portFailed(const std::string& port, const std::string& reason) = 0;
    virtual void heard(const std::string& port, std::uint16_t node) = 0;
    // The module behind the port as survey `round` read it.
    virtual void moduleRead(std::uint64_t round, mesh::SurveyedPort module) = 0;
};

}  // namespace watch
