#include "MeshJson.h"

namespace {

Json nodeJson(const NodeRow& row) {
    const auto* answers = row.port ? answersOf(*row.port) : nullptr;
    Json routes = Json::array();
    for (const proto::RouteEntry& entry : routesOf(row.port))
        routes.push_back({{"target", entry.target}, {"route", entry.route}});
    return {{"id", row.node->id},
            {"port", row.port ? Json(row.port->port) : Json()},
            {"settings", answers && answers->setup ? settingsJson(*answers->setup) : Json()},
            {"routes", answers && answers->routes ? routes : Json()},
            {"reached_by", row.node->reachedBy}};
}

Json edgeJson(const mesh::MeshEdge& edge) {
    Json json{{"from", edge.from},
              {"to", edge.to},
              {"kind", edge.kind == mesh::EdgeKind::Route ? "route" : "path"},
              {"link_value", edge.linkValue ? Json(*edge.linkValue) : Json()}};
    if (edge.kind == mesh::EdgeKind::Route) {
        json["targets"] = edge.targets;
        json["one_way"] = edge.oneWay;
    }
    return json;
}

Json faultJson(const mesh::Fault& fault) {
    return {{"kind", mesh::faultKindName(fault.kind)},
            {"text", fault.text},
            {"ports", fault.ports},
            {"nodes", fault.nodes}};
}

}  // namespace

const mesh::ModuleAnswers* answersOf(const mesh::SurveyedPort& port) {
    return std::get_if<mesh::ModuleAnswers>(&port.outcome);
}

std::vector<NodeRow> nodeRows(const mesh::Mesh& mesh) {
    std::vector<NodeRow> rows;
    for (const mesh::MeshNode& node : mesh.graph.nodes) {
        if (!node.onPort()) rows.push_back({&node, nullptr});
        for (const std::size_t module : node.modules) rows.push_back({&node, &mesh.survey[module]});
    }
    return rows;
}

std::vector<proto::RouteEntry> routesOf(const mesh::SurveyedPort* port) {
    std::vector<proto::RouteEntry> routes;
    const auto* answers = port ? answersOf(*port) : nullptr;
    if (!answers || !answers->routes) return routes;
    for (const auto& entry : answers->routes->entries)
        if (entry) routes.push_back(*entry);
    return routes;
}

Json meshJson(const mesh::Mesh& mesh) {
    Json nodes = Json::array();
    for (const NodeRow& row : nodeRows(mesh)) nodes.push_back(nodeJson(row));
    Json edges = Json::array();
    for (const mesh::MeshEdge& edge : mesh.graph.edges) edges.push_back(edgeJson(edge));
    Json faults = Json::array();
    for (const mesh::Fault& fault : mesh.faults) faults.push_back(faultJson(fault));
    return {{"nodes", nodes}, {"edges", edges}, {"faults", faults}};
}
