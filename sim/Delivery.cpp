#include "Delivery.h"

namespace sim {

DeliveryOutcome Delivery::carry(const Mesh& mesh, const std::vector<NodeId>& route) {
    DeliveryOutcome outcome;
    NodeId from = mesh.localNode;
    for (std::size_t hop = 0; hop < route.size(); ++hop) {
        const Link link = mesh.linkBetween(from, route[hop]);
        outcome.latency += link.latency;
        if (!arrives(link.deliveryRate)) {
            outcome.lostHop = hop;
            return outcome;
        }
        from = route[hop];
    }
    return outcome;
}

bool Delivery::arrives(double deliveryRate) {
    constexpr double kDraws = double(std::mt19937::max()) + 1.0;
    return double(m_random()) / kDraws < deliveryRate;
}

}  // namespace sim
