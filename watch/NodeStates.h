#pragma once
// Whether each node the watcher has heard of is up: down once `lostAfter` surveys in a row went
// by without hearing it, up again as soon as anything hears it (a survey or a receive notice).
// A node once heard is kept, down or up, so that it can be said to come back; node ids are
// 16 bits, so the table stays bounded whatever the modules say.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Event.h"
#include "HeardNodes.h"

namespace watch {

struct NodeState {
    bool up = true;
    WallTime lastHeard{};
    WallTime downSince{};
    int unheardSurveys = 0;
    std::string port{};   // its module's port, else the port through which it was heard last
    bool onPort = false;  // port is its module's own
};

class NodeStates {
  public:
    explicit NodeStates(int lostAfter) : m_lostAfter(lostAfter) {}
    void setLostAfter(int lostAfter) { m_lostAfter = lostAfter; }

    void surveyed(const HeardNodes& heard, WallTime now, std::vector<Event>& events);
    void heard(std::uint16_t node, const HeardThrough& through, WallTime now,
               std::vector<Event>& events);

    const std::map<std::uint16_t, NodeState>& nodes() const { return m_nodes; }

  private:
    int m_lostAfter;
    std::map<std::uint16_t, NodeState> m_nodes;
};

}  // namespace watch
