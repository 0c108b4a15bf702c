#include "MeshJson.h"

#include <algorithm>
#include <stdexcept>

#include "PrintableText.h"
#include "SettingChanges.h"

namespace reports {

namespace {

modlink::Json nodeJson(const NodeRow& row) {
    const auto* answers = row.port ? answersOf(*row.port) : nullptr;
    modlink::Json routes = modlink::Json::array();
    for (const proto::RouteEntry& entry : routesOf(row.port))
        routes.push_back({{"target", entry.target}, {"route", entry.route}});
    modlink::Json path;
    if (answers && answers->path) {
        path = modlink::Json::array();
        for (const proto::PathHop& hop : answers->path->hops)
            path.push_back({{"node", hop.node}, {"link_value", hop.linkValue}});
    }
    return {{"id", row.node->id},
            {"port", row.port ? modlink::Json(row.port->port) : modlink::Json()},
            {"settings",
             answers && answers->setup ? modlink::settingsJson(*answers->setup) : modlink::Json()},
            {"routes", answers && answers->routes ? routes : modlink::Json()},
            {"path", path},
            {"reached_by", row.node->reachedBy}};
}

modlink::Json edgeJson(const mesh::MeshEdge& edge) {
    modlink::Json json{
        {"from", edge.from},
        {"to", edge.to},
        {"kind", edge.kind == mesh::EdgeKind::Route ? "route" : "path"},
        {"link_value", edge.linkValue ? modlink::Json(*edge.linkValue) : modlink::Json()}};
    if (edge.kind == mesh::EdgeKind::Route) {
        json["targets"] = edge.targets;
        json["one_way"] = edge.oneWay;
    }
    return json;
}

modlink::Json faultJson(const mesh::Fault& fault) {
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

modlink::Json meshJson(const mesh::Mesh& mesh) {
    modlink::Json nodes = modlink::Json::array();
    for (const NodeRow& row : nodeRows(mesh)) nodes.push_back(nodeJson(row));
    modlink::Json edges = modlink::Json::array();
    for (const mesh::MeshEdge& edge : mesh.graph.edges) edges.push_back(edgeJson(edge));
    modlink::Json faults = modlink::Json::array();
    for (const mesh::Fault& fault : mesh.faults) faults.push_back(faultJson(fault));
    return {{"nodes", nodes}, {"edges", edges}, {"faults", faults}};
}

namespace {

// Bounds a served document may not pass: more than a mesh of one network id can hold.
constexpr std::size_t kMaxJsonNodes = 4096;
constexpr std::size_t kMaxJsonEdges = 65536;

std::uint16_t nodeIdOf(const modlink::Json& value) {
    const auto id = value.get<std::int64_t>();
    if (id < 0 || id >= proto::kEmptyNode)
        throw std::runtime_error("node id " + std::to_string(id) + " is out of range");
    return static_cast<std::uint16_t>(id);
}

std::vector<std::uint16_t> nodeIdsOf(const modlink::Json& values) {
    std::vector<std::uint16_t> ids;
    for (const modlink::Json& value : values) ids.push_back(nodeIdOf(value));
    return ids;
}

mesh::FaultKind faultKindNamed(const std::string& name) {
    for (int kind = 0; kind <= static_cast<int>(mesh::FaultKind::DriftsFromFile); ++kind)
        if (mesh::faultKindName(static_cast<mesh::FaultKind>(kind)) == name)
            return static_cast<mesh::FaultKind>(kind);
    throw std::runtime_error("unknown fault kind \"" + files::printableText(name) + "\"");
}

// A module's settings as the survey printed them, read back only when all seven are there and
// each one fits its field: a setup half guessed would show values the module never said.
std::optional<proto::Setup> setupOf(const modlink::Json& settings) {
    if (!settings.is_object()) return std::nullopt;
    proto::SettingChanges changes;
    for (const auto& [key, value] : settings.items()) {
        proto::SettingChanges::Value taken;
        if (value.is_number_integer())
            taken = value.get<std::int64_t>();
        else if (value.is_number())
            taken = value.get<double>();
        else if (value.is_string())
            taken = value.get<std::string>();
        else
            return std::nullopt;
        if (!changes.set(key, taken).empty()) return std::nullopt;
    }
    if (!changes.complete()) return std::nullopt;
    proto::Setup setup;
    changes.applyTo(setup);
    return setup;
}

// The route list as the survey printed it; past the module's slots a list cannot be one.
std::optional<proto::RouteListReply> routeListOf(std::uint16_t node, const modlink::Json& routes) {
    if (!routes.is_array() || routes.size() > proto::kRouteSlots) return std::nullopt;
    proto::RouteListReply list{.localNode = node};
    for (std::size_t slot = 0; slot < routes.size(); ++slot)
        list.entries[slot] = proto::RouteEntry{nodeIdOf(routes[slot].at("target")),
                                               nodeIdOf(routes[slot].at("route"))};
    return list;
}

// The path list as the survey printed it, its hops from the module's own out to the target.
std::optional<proto::PathReply> pathOf(std::uint16_t node, const modlink::Json& hops) {
    if (!hops.is_array() || hops.size() > proto::kPathSlots) return std::nullopt;
    proto::PathReply path{.localNode = node};
    for (const modlink::Json& hop : hops) {
        const auto value = hop.at("link_value").get<std::int64_t>();
        if (value < 0 || value > 255)
            throw std::runtime_error("link value " + std::to_string(value) + " is out of range");
        path.hops.push_back({nodeIdOf(hop.at("node")), static_cast<std::uint8_t>(value)});
    }
    return path;
}

void addNodeRow(mesh::Mesh& mesh, const modlink::Json& row) {
    const std::uint16_t id = nodeIdOf(row.at("id"));
    auto node = std::ranges::find(mesh.graph.nodes, id, &mesh::MeshNode::id);
    if (node == mesh.graph.nodes.end())
        node = mesh.graph.nodes.insert(mesh.graph.nodes.end(), mesh::MeshNode{.id = id});
    if (const modlink::Json& reachedBy = row.value("reached_by", modlink::Json::array());
        reachedBy.is_array())
        node->reachedBy = nodeIdsOf(reachedBy);
    if (const modlink::Json& port = row.at("port"); !port.is_null()) {
        node->modules.push_back(mesh.survey.size());
        mesh.survey.push_back(
            {files::printableText(port.get<std::string>()),
             mesh::ModuleAnswers{.setup = setupOf(row.value("settings", modlink::Json())),
                                 .routes = routeListOf(id, row.value("routes", modlink::Json())),
                                 .path = pathOf(id, row.value("path", modlink::Json()))}});
    }
}

mesh::MeshEdge edgeOf(const mesh::MeshGraph& graph, const modlink::Json& json) {
    mesh::MeshEdge edge{.from = nodeIdOf(json.at("from")), .to = nodeIdOf(json.at("to"))};
    if (!graph.node(edge.from) || !graph.node(edge.to) || edge.from == edge.to)
        throw std::runtime_error("an edge joins nodes not listed");
    edge.kind = json.at("kind").get<std::string>() == "route" ? mesh::EdgeKind::Route
                                                              : mesh::EdgeKind::Path;
    if (const modlink::Json& value = json.at("link_value"); !value.is_null())
        edge.linkValue = static_cast<std::uint8_t>(std::clamp(value.get<int>(), 0, 255));
    if (edge.kind == mesh::EdgeKind::Route) {
        edge.targets = nodeIdsOf(json.value("targets", modlink::Json::array()));
        edge.oneWay = json.value("one_way", false);
    }
    return edge;
}

mesh::Fault faultOf(const modlink::Json& json) {
    mesh::Fault fault{.kind = faultKindNamed(json.at("kind").get<std::string>()),
                      .text = files::printableText(json.at("text").get<std::string>()),
                      .nodes = nodeIdsOf(json.value("nodes", modlink::Json::array()))};
    for (const modlink::Json& port : json.value("ports", modlink::Json::array()))
        fault.ports.push_back(files::printableText(port.get<std::string>()));
    return fault;
}

}  // namespace

mesh::Mesh meshFromJson(const modlink::Json& json) {
    const modlink::Json& nodes = json.at("nodes");
    const modlink::Json& edges = json.at("edges");
    if (!nodes.is_array() || !edges.is_array() || nodes.size() > kMaxJsonNodes ||
        edges.size() > kMaxJsonEdges)
        throw std::runtime_error("its nodes or edges are not a list of a mesh's size");
    mesh::Mesh mesh;
    for (const modlink::Json& row : nodes) addNodeRow(mesh, row);
    std::ranges::sort(mesh.graph.nodes, {}, &mesh::MeshNode::id);
    for (const modlink::Json& edge : edges) mesh.graph.edges.push_back(edgeOf(mesh.graph, edge));
    for (const modlink::Json& fault : json.value("faults", modlink::Json::array()))
        mesh.faults.push_back(faultOf(fault));
    return mesh;
}

}  // namespace reports
