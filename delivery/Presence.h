#pragma once
// Which of a run's ports are away: lost, and not yet back. A pair with either end away neither
// sends nor counts.

#include <cstddef>
#include <vector>

#include "Plan.h"

namespace delivery {

class Presence {
  public:
    explicit Presence(std::size_t ports) : m_away(ports, false) {}

    bool present(std::size_t port) const { return !m_away[port]; }
    bool present(const Pair& pair) const { return present(pair.from) && present(pair.to); }
    void setAway(std::size_t port, bool away) { m_away[port] = away; }

  private:
    std::vector<bool> m_away;
};

}  // namespace delivery
