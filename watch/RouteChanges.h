#pragma once
// Each module's route to each node, by its first hop, compared from survey to survey: a module
// that now reaches a node through another hop, or has lost or found its route to a node that is
// heard in both surveys, is one change. A route that comes or goes with its target is the
// node's own going down or up, said by the node's events, so a node switched off does not set
// every module of the mesh talking.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Event.h"
#include "HeardNodes.h"
#include "Mesh.h"

namespace watch {

class RouteChanges {
  public:
    void surveyed(const mesh::Mesh& mesh, const HeardNodes& heard, WallTime now,
                  std::vector<Event>& events);

  private:
    struct Table {
        std::uint16_t node = 0;
        std::map<std::uint16_t, std::uint16_t> firstHops;  // by target
    };
    void compare(const std::string& port, const Table& before, const Table& now,
                 const HeardNodes& heard, WallTime time, std::vector<Event>& events) const;

    std::map<std::string, Table> m_tables;  // by port: the last route list each module gave
    HeardNodes m_heardBefore;
};

}  // namespace watch
