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

RouteMap::RouteMap(const MeshGraph& graph) {
    for (const MeshEdge& edge : graph.edges) {
        if (edge.kind != EdgeKind::Route) continue;
        for (const std::uint16_t target : edge.targets)
            m_firstHops.try_emplace({edge.from, target}, edge.to);
    }
}

std::vector<std::uint16_t> RouteMap::between(std::uint16_t from, std::uint16_t to) const {
    return followHops(from, to, [&](std::uint16_t node) -> std::optional<std::uint16_t> {
        const auto hop = m_firstHops.find({node, to});
        if (hop == m_firstHops.end()) return std::nullopt;
        return hop->second;
    });
}

}  // namespace mesh
