#pragma once
// What the map shows of a delivery test: each node's share is the worst of the pairs it sends
// or receives in, each line's the worst of the pairs whose route goes over it. Pairs with no
// send whose fate is known yet count for nothing. Toolkit-free, like the layout.

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "DeliveryEvents.h"
#include "MeshGraph.h"

namespace meshapp {

struct DeliveryShares {
    std::map<std::uint16_t, double> nodes{};
    std::map<std::pair<std::uint16_t, std::uint16_t>, double> lines{};  // lower id first
};

DeliveryShares deliveryShares(const mesh::MeshGraph& graph,
                              const std::vector<delivery::Port>& ports,
                              const delivery::Summary& summary);

}  // namespace meshapp
