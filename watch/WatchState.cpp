#include "WatchState.h"

#include <algorithm>

#include "MeshRoute.h"
#include "SpanText.h"

namespace watch {

std::vector<RouteHops> routeHopsOf(const mesh::Mesh& mesh) {
    const mesh::RouteMap routes(mesh.graph);
    std::vector<RouteHops> hops;
    for (const mesh::MeshEdge& edge : mesh.graph.edges) {
        if (edge.kind != mesh::EdgeKind::Route) continue;
        for (const std::uint16_t target : edge.targets) {
            const auto way = routes.between(edge.from, target);
            if (!way.empty()) hops.push_back({edge.from, target, static_cast<int>(way.size()) - 1});
        }
    }
    const auto key = [](const RouteHops& route) { return std::pair(route.node, route.target); };
    std::ranges::stable_sort(hops, {}, key);
    // Two modules answering as one node give one route each way: the first is kept.
    const auto repeated = std::ranges::unique(hops, {}, key);
    hops.erase(repeated.begin(), repeated.end());
    return hops;
}

std::string unhealthyReason(const WatchState& state, WallTime now) {
    // A survey waits up to three replies a port, each up to its time-out: a minute is ample.
    const auto allowed = 2 * state.interval + std::chrono::minutes(1);
    const WallTime since = state.surveys ? state.surveyedAt : state.started;
    const auto late = std::chrono::duration_cast<std::chrono::seconds>(now - since);
    if (late <= allowed) return {};
    return "no survey ended in the last " + forms::spanText(late);
}

}  // namespace watch
