#pragma once
// What a source tells the watcher's loop, from any thread: a port opened or failed, a node heard
// in a receive notice, a module read for a survey, and for probes each send written (or not)
// and each notice a probe's target port read.

#include <chrono>
#include <cstdint>
#include <optional>
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
    // A probe's send, on the wire at onWire; nothing when it could not be written.
    virtual void probeWritten(std::size_t probe,
                              std::optional<std::chrono::steady_clock::time_point> onWire) = 0;
    virtual void noticed(const std::string& port, proto::Frame notice,
                         std::chrono::steady_clock::time_point at) = 0;
};

}  // namespace watch
