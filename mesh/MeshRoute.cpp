#include "MeshRoute.h"

#include <algorithm>

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

}  // namespace

std::vector<std::uint16_t> routeBetween(const MeshGraph& graph, std::uint16_t from,
                                        std::uint16_t to) {
    std::vector<std::uint16_t> way{from};
    while (way.back() != to) {
        const MeshEdge* hop = hopTowards(graph, way.back(), to);
        if (!hop || std::find(way.begin(), way.end(), hop->to) != way.end()) return {};
        way.push_back(hop->to);
    }
    return way;
}

}  // namespace mesh
