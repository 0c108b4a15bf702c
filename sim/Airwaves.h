#pragma once
// Who hears whom in a lab, and the best routes between its modules. Two modules hear each other
// when a link joins them and both are switched on, on the same frequency and network id. The
// best route has the fewest hops, then the strongest weakest link (the lowest highest link
// value); among equals, the one whose relay nearest the target has the lower node id (then the
// earlier place in the lab). Everything here follows from the state given, so it repeats.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "LabMesh.h"

namespace sim {

// A module as the radio sees it.
struct Station {
    NodeId node = 0;  // its node id now
    bool on = false;
    std::uint32_t frequencyRegister = 0;
    std::uint16_t networkId = 0;
};

// Modules are named by their place in the lab, which never changes while it runs.
struct RadioLink {
    std::size_t a = 0;
    std::size_t b = 0;
    std::uint8_t linkValue = 0;
    double delivery = 1.0;
    std::chrono::milliseconds latency{0};
};

// The best routes from one module to all it reaches.
class RouteTree {
  public:
    bool reaches(std::size_t module) const { return m_hops[module] > 0; }
    int hops(std::size_t module) const { return m_hops[module]; }  // 0: not reached
    std::uint8_t weakest(std::size_t module) const { return m_weakest[module]; }
    // The modules the route passes, the target last; empty when it is not reached.
    std::vector<std::size_t> routeTo(std::size_t module) const;

  private:
    friend class Airwaves;
    explicit RouteTree(std::size_t modules)
        : m_previous(modules), m_hops(modules, 0), m_weakest(modules, 0) {}

    std::vector<std::size_t> m_previous;
    std::vector<int> m_hops;
    std::vector<std::uint8_t> m_weakest;
};

class Airwaves {
  public:
    Airwaves(std::vector<Station> stations, std::vector<RadioLink> links);

    std::size_t size() const { return m_stations.size(); }
    const Station& station(std::size_t module) const { return m_stations[module]; }
    void tune(std::size_t module, const Station& station) { m_stations[module] = station; }
    void relink(std::vector<RadioLink> links);

    // The link over which two modules hear each other; nothing when they do not.
    const RadioLink* audible(std::size_t a, std::size_t b) const;
    RouteTree routesFrom(std::size_t from) const;
    // Of the modules that hear `from` directly and carry this node id, the one over the
    // strongest link.
    std::optional<std::size_t> neighbourNamed(std::size_t from, NodeId node) const;
    // Of the modules `from` reaches that carry this node id, the one its best route reaches.
    std::optional<std::size_t> reachedNamed(const RouteTree& tree, NodeId node) const;

  private:
    bool tunedAlike(std::size_t a, std::size_t b) const;  // both on, same frequency and network
    bool closer(std::size_t a, std::size_t b) const;      // node id, then place

    std::vector<Station> m_stations;
    std::vector<RadioLink> m_links;
    std::vector<std::vector<std::size_t>> m_linksOf;  // per module, indices into m_links
};

}  // namespace sim
