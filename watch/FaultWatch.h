#pragma once
// The survey's own faults that a watcher of a running mesh tells: a module on another network id,
// a node id twice, a route that runs one way only. The survey's fault finders name them; this
// keeps each open from the survey that finds it to the one after which it is gone.

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "Conditions.h"
#include "Event.h"
#include "Mesh.h"

namespace watch {

// A fault by its kind, ports and nodes; its text may change while it lasts.
using FaultKey = std::tuple<EventKind, std::vector<std::string>, std::vector<std::uint16_t>>;

class FaultWatch {
  public:
    void surveyed(const mesh::Mesh& mesh, int lostAfter, WallTime now, std::vector<Event>& events);

  private:
    Conditions<FaultKey, std::string> m_faults;  // with its text
};

}  // namespace watch
