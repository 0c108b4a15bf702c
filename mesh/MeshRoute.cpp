#include "MeshRoute.h"

#include <algorithm>
#include <optional>

namespace mesh {

namespace {

// The route edge from `from` whose hop reaches `to`; null when there is none.
const MeshEdge* hopTowards(const MeshGraph& graph, std::uint16_t from, std::uint16_t to) {
    const auto found = std::find_if(graph.edges.begin(), graph.edges.end(), [&](const MeshEdge& e) {
        return e.from == from && e.kind == EdgeKind::Route &&
               std::find(e.targets.begin(), e.targets.end(), to) != e.targets.end();
    });
    return found == graph.edges.end() ? nullptr : &*found;
}

// nextHop(node) gives the hop after node towards `to`, or nothing.
template <typename NextHop>
std::vector<std::uint16_t> followHops(std::uint16_t from, std::uint16_t to, NextHop nextHop) {
    std::vector<std::uint16_t> way{from};
    while (way.back() != to) {
        const std::optional<std::uint16_t> hop = nextHop(way.back());
        if (!hop || std::find(way.begin(), way.end(), *hop) != way.end()) return {};
        way.push_back(*hop);
    }
    return way;
}

}  // namespace

std::vector<std::uint16_t> routeBetween(const MeshGraph& graph, std::uint16_t from,
                                        std::uint16_t to) {
    return followHops(from, to, [&](std::uint16_t node) -> std::optional<std::uint16_t> {
        const MeshEdge* hop = hopTowards(graph, node, to);
        if (!hop) return std::nullopt;
        return hop->to;
    });
}

std::map<RouteKey, int> routeHopCounts(const MeshGraph& graph) {
    std::map<RouteKey, std::uint16_t> firstHops;
    for (const MeshEdge& edge : graph.edges) {
        if (edge.kind != EdgeKind::Route) continue;
        for (const std::uint16_t target : edge.targets)
            firstHops.try_emplace({edge.from, target}, edge.to);
    }
    // A route's count is its first hop's plus one; kNoWay where a node on the way has no route
    // on or the way comes round to a node it has passed.
    constexpr int kWalking = -1;
    constexpr int kNoWay = -2;
    std::map<RouteKey, int> counts;
    std::vector<RouteKey> walk;
    for (const auto& [route, firstHop] : firstHops) {
        if (route.first == route.second) {
            counts[route] = 0;  // a module that names itself: there already
            continue;
        }
        RouteKey at = route;
        int known = kNoWay;
        for (;;) {
            if (at.first == at.second) {
                known = 0;
                break;
            }
            if (const auto seen = counts.find(at); seen != counts.end()) {
                known = seen->second == kWalking ? kNoWay : seen->second;
                break;
            }
            const auto hop = firstHops.find(at);
            if (hop == firstHops.end()) break;
            counts[at] = kWalking;
            walk.push_back(at);
            at = {hop->second, at.second};
        }
        for (; !walk.empty(); walk.pop_back())
            counts[walk.back()] = known == kNoWay ? kNoWay : ++known;
    }
    std::erase_if(counts, [](const auto& count) { return count.second < 0; });
    return counts;
}

}  // namespace mesh
