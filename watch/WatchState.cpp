#include "WatchState.h"

#include "MeshRoute.h"
#include "SpanText.h"

namespace watch {

std::vector<RouteHops> routeHopsOf(const mesh::Mesh& mesh) {
    std::vector<RouteHops> hops;
    for (const auto& [route, count] : mesh::routeHopCounts(mesh.graph))
        hops.push_back({route.first, route.second, count});
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
