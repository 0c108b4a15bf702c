#include "MeshStateJson.h"

#include <algorithm>
#include <set>

#include "EventText.h"
#include "MeshJson.h"

namespace watch {

namespace {

void addNodeState(Json& node, const NodeState& state) {
    node["state"] = state.up ? "up" : "down";
    node["last_heard"] = timeText(state.lastHeard);
}

Json portsJson(const WatchState& state) {
    Json ports = Json::array();
    for (const auto& [port, portState] : state.ports)
        ports.push_back({{"port", port},
                         {"state", portState.open ? "open" : "closed"},
                         {"reason", portState.reason},
                         {"node", portState.node ? Json(*portState.node) : Json()}});
    return ports;
}

}  // namespace

Json meshStateJson(const WatchState& state) {
    Json json =
        state.mesh
            ? reports::meshJson(*state.mesh)
            : Json{{"nodes", Json::array()}, {"edges", Json::array()}, {"faults", Json::array()}};
    Json& nodes = json["nodes"];
    std::set<std::uint16_t> listed;
    for (Json& node : nodes) {
        const auto id = node["id"].get<std::uint16_t>();
        listed.insert(id);
        if (const auto known = state.nodes.find(id); known != state.nodes.end())
            addNodeState(node, known->second);
    }
    for (const auto& [id, nodeState] : state.nodes) {
        if (listed.contains(id)) continue;
        Json node{{"id", id},
                  {"port", nodeState.port.empty() ? Json() : Json(nodeState.port)},
                  {"settings", Json()},
                  {"routes", Json()},
                  {"reached_by", Json::array()}};
        addNodeState(node, nodeState);
        nodes.push_back(std::move(node));
    }
    std::stable_sort(nodes.begin(), nodes.end(), [](const Json& a, const Json& b) {
        return a["id"].get<int>() < b["id"].get<int>();
    });
    json["ports"] = portsJson(state);
    json["site"] = state.site;
    json["surveyed_at"] = state.surveys ? Json(timeText(state.surveyedAt)) : Json();
    json["interval_s"] = state.interval.count();
    return json;
}

}  // namespace watch
