#include "DeliveryOnMap.h"

#include <algorithm>

#include "MeshRoute.h"

namespace meshapp {

namespace {

template <typename Key>
void keepWorst(std::map<Key, double>& shares, Key key, double share) {
    const auto [place, added] = shares.emplace(key, share);
    if (!added) place->second = std::min(place->second, share);
}

}  // namespace

DeliveryShares deliveryShares(const mesh::MeshGraph& graph,
                              const std::vector<delivery::Port>& ports,
                              const delivery::Summary& summary) {
    DeliveryShares shares;
    for (const delivery::PairSummary& pair : summary.pairs) {
        const auto share = pair.deliveredShare();
        if (!share) continue;
        const std::uint16_t from = ports[pair.from].node;
        const std::uint16_t to = ports[pair.to].node;
        keepWorst(shares.nodes, from, *share);
        keepWorst(shares.nodes, to, *share);
        const std::vector<std::uint16_t> way = mesh::routeBetween(graph, from, to);
        for (std::size_t hop = 1; hop < way.size(); ++hop)
            keepWorst(shares.lines,
                      std::pair{std::min(way[hop - 1], way[hop]), std::max(way[hop - 1], way[hop])},
                      *share);
    }
    return shares;
}

}  // namespace meshapp
