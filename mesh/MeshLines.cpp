#include "MeshLines.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace mesh {

namespace {

using Pair = std::pair<std::uint16_t, std::uint16_t>;  // lower id first

Pair pairOf(std::uint16_t a, std::uint16_t b) {
    return std::minmax(a, b);
}

// Edges of one kind, one line per pair of nodes, leaving out the pairs given.
std::map<Pair, MeshLine> linesOf(const MeshGraph& graph, EdgeKind kind,
                                 const std::map<Pair, MeshLine>& leftOut) {
    const LineKind lineKind = kind == EdgeKind::Route ? LineKind::Route : LineKind::Path;
    std::map<Pair, MeshLine> lines;
    for (const MeshEdge& edge : graph.edges) {
        const Pair pair = pairOf(edge.from, edge.to);
        if (edge.kind != kind || leftOut.contains(pair)) continue;
        auto [found, added] = lines.try_emplace(
            pair, MeshLine{edge.from, edge.to, lineKind, edge.oneWay, edge.linkValue});
        MeshLine& line = found->second;
        if (!added) line = {pair.first, pair.second, lineKind, false, line.linkValue};
        if (!line.linkValue) line.linkValue = edge.linkValue;
    }
    return lines;
}

}  // namespace

std::vector<MeshLine> meshLines(const MeshGraph& graph) {
    const auto routes = linesOf(graph, EdgeKind::Route, {});
    const auto paths = linesOf(graph, EdgeKind::Path, routes);
    std::vector<MeshLine> lines;
    std::set<std::uint16_t> linked;
    for (const auto* kind : {&routes, &paths}) {
        for (const auto& [pair, line] : *kind) {
            lines.push_back(line);
            linked.insert({pair.first, pair.second});
        }
    }
    for (const MeshNode& node : graph.nodes) {
        if (node.onPort() || linked.contains(node.id)) continue;
        for (const std::uint16_t by : node.reachedBy)
            lines.push_back({by, node.id, LineKind::Reach});
    }
    return lines;
}

}  // namespace mesh
