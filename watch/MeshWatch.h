#pragma once
// What the watcher decides, from what its sources tell it: each survey, each node heard in a
// receive notice, each port opened or lost, and each probe's send whose fate is known. Every call
// gives the events it decided, in order; none is said twice. It reads no clock and opens
// nothing, so that its rules are tested on made-up surveys with made-up times.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "DeliveryWatch.h"
#include "Event.h"
#include "FaultWatch.h"
#include "Mesh.h"
#include "NodeStates.h"
#include "PortStates.h"
#include "RouteChanges.h"
#include "WeakLinks.h"

namespace watch {

struct Rules {
    int lostAfter = 2;        // surveys in a row without a node (a link, a fault) before it is gone
    int weakLinkBelow = -90;  // as the windows show link values
    DeliveryRule delivery{};
};

class MeshWatch {
  public:
    explicit MeshWatch(const Rules& rules) : m_rules(rules), m_nodes(rules.lostAfter) {}
    void setRules(const Rules& rules);

    std::vector<Event> surveyed(std::shared_ptr<const mesh::Mesh> mesh, WallTime now);
    std::vector<Event> heard(std::uint16_t node, const std::string& port, WallTime now);
    std::vector<Event> portOpened(const std::string& port, WallTime now);
    std::vector<Event> portFailed(const std::string& port, const std::string& reason, WallTime now);
    std::vector<Event> probed(const ProbePair& pair, bool delivered, WallTime now);

    void watching(const std::string& port, WallTime now) { m_ports.watching(port, now); }
    void forget(const std::string& port) { m_ports.forget(port); }

    const std::map<std::uint16_t, NodeState>& nodes() const { return m_nodes.nodes(); }
    const std::map<std::string, PortState>& ports() const { return m_ports.ports(); }
    // The last survey assessed; null before the first.
    const std::shared_ptr<const mesh::Mesh>& lastMesh() const { return m_lastMesh; }

  private:
    Rules m_rules;
    NodeStates m_nodes;
    PortStates m_ports;
    RouteChanges m_routes;
    WeakLinks m_links;
    FaultWatch m_faults;
    DeliveryWatch m_delivery;
    std::shared_ptr<const mesh::Mesh> m_lastMesh;
};

}  // namespace watch
