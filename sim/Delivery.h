#pragma once
// Carries data hop by hop along a route: each hop arrives at its link's delivery rate and
// takes its link's latency. The draws come from a seeded generator, so a run can be repeated.

#include <chrono>
#include <cstddef>
#include <optional>
#include <random>
#include <vector>

#include "LabMesh.h"

namespace sim {

struct DeliveryOutcome {
    std::optional<std::size_t> lostHop;    // index in the route of the node not reached
    std::chrono::milliseconds latency{0};  // of the hops tried, the lost one included
};

class Delivery {
  public:
    explicit Delivery(unsigned seed) : m_random(seed) {}

    // route: the nodes after the local node, as Mesh::routeTo gives them.
    DeliveryOutcome carry(const Mesh& mesh, const std::vector<NodeId>& route);
    // One hop over a link of this rate: whether it arrives.
    bool arrives(double deliveryRate);

  private:
    std::mt19937 m_random;  // its sequence is fixed by the standard, unlike the distributions'
};

}  // namespace sim
