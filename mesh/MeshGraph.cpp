#include "MeshGraph.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "MeshReach.h"

namespace mesh {

namespace {

using EdgeKey = std::tuple<std::uint16_t, std::uint16_t, EdgeKind>;

class GraphBuilder {
  public:
    void addModule(const Module& module) {
        m_nodes[module.id].modules.push_back(module.index);
        if (!namesAllRoutes(module)) m_mayLeaveOut.insert(module.id);
        for (const proto::RouteEntry& route : routesOf(module)) addRoute(module.id, route);
        addPath(module.id, hopsOf(module));
    }

    MeshGraph take() {
        for (auto& [key, edge] : m_edges) {
            if (edge.kind != EdgeKind::Route) continue;
            edge.linkValue = pathValue(edge.from, edge.to);
            edge.oneWay = !m_edges.contains({edge.to, edge.from, EdgeKind::Route}) &&
                          m_nodes.at(edge.to).onPort() && !m_mayLeaveOut.contains(edge.to);
        }
        MeshGraph graph;
        for (auto& [key, edge] : m_edges) graph.edges.push_back(std::move(edge));
        for (auto& [id, node] : m_nodes) {
            node.id = id;
            std::ranges::sort(node.reachedBy);
            const auto [first, last] = std::ranges::unique(node.reachedBy);
            node.reachedBy.erase(first, last);
            graph.nodes.push_back(std::move(node));
        }
        return graph;
    }

  private:
    void addRoute(std::uint16_t from, const proto::RouteEntry& route) {
        m_nodes[route.target].reachedBy.push_back(from);
        m_nodes.try_emplace(route.route);
        if (route.route == from) return;
        auto& targets = edgeOf(from, route.route, EdgeKind::Route).targets;
        if (std::ranges::find(targets, route.target) == targets.end())
            targets.push_back(route.target);
    }

    void addPath(std::uint16_t from, const std::vector<proto::PathHop>& hops) {
        for (const proto::PathHop& hop : hops) {
            m_nodes.try_emplace(hop.node);
            MeshEdge& edge = edgeOf(from, hop.node, EdgeKind::Path);
            if (!edge.linkValue) edge.linkValue = hop.linkValue;  // the first report holds
            from = hop.node;
        }
    }

    MeshEdge& edgeOf(std::uint16_t from, std::uint16_t to, EdgeKind kind) {
        return m_edges.try_emplace({from, to, kind}, MeshEdge{from, to, kind}).first->second;
    }

    std::optional<std::uint8_t> pathValue(std::uint16_t from, std::uint16_t to) const {
        for (const EdgeKey& key : {EdgeKey{from, to, EdgeKind::Path}, {to, from, EdgeKind::Path}}) {
            if (const auto found = m_edges.find(key); found != m_edges.end())
                return found->second.linkValue;
        }
        return std::nullopt;
    }

    std::map<std::uint16_t, MeshNode> m_nodes;
    std::map<EdgeKey, MeshEdge> m_edges;
    std::set<std::uint16_t> m_mayLeaveOut;  // nodes with a module whose route list may be cut
};

}  // namespace

const MeshNode* MeshGraph::node(std::uint16_t id) const {
    const auto found = std::ranges::lower_bound(nodes, id, {}, &MeshNode::id);
    return found != nodes.end() && found->id == id ? &*found : nullptr;
}

MeshGraph buildGraph(const Survey& survey) {
    GraphBuilder builder;
    for (const Module& module : modulesOf(survey)) builder.addModule(module);
    return builder.take();
}

}  // namespace mesh
