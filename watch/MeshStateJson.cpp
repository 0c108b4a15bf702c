#include "MeshStateJson.h"

#include <algorithm>
#include <set>

#include "EventText.h"
#include "MeshJson.h"

namespace watch {

namespace {

void addNodeState(modlink::Json& node, const NodeState& state) {
    node["state"] = state.up ? "up" : "down";
    node["last_heard"] = timeText(state.lastHeard);
}

modlink::Json portsJson(const WatchState& state) {
    modlink::Json ports = modlink::Json::array();
    for (const auto& [port, portState] : state.ports)
        ports.push_back(
            {{"port", port},
             {"state", portState.open ? "open" : "closed"},
             {"reason", portState.reason},
             {"node", portState.node ? modlink::Json(*portState.node) : modlink::Json()}});
    return ports;
}

}  // namespace

modlink::Json meshStateJson(const WatchState& state) {
    modlink::Json json = state.mesh ? reports::meshJson(*state.mesh)
                                    : modlink::Json{{"nodes", modlink::Json::array()},
                                                    {"edges", modlink::Json::array()},
                                                    {"faults", modlink::Json::array()}};
    modlink::Json& nodes = json["nodes"];
    std::set<std::uint16_t> listed;
    for (modlink::Json& node : nodes) {
        const auto id = node["id"].get<std::uint16_t>();
        listed.insert(id);
        if (const auto known = state.nodes.find(id); known != state.nodes.end())
            addNodeState(node, known->second);
    }
    for (const auto& [id, nodeState] : state.nodes) {
        if (listed.contains(id)) continue;
        modlink::Json node{
            {"id", id},
            {"port", nodeState.port.empty() ? modlink::Json() : modlink::Json(nodeState.port)},
            {"settings", modlink::Json()},
            {"routes", modlink::Json()},
            {"path", modlink::Json()},
            {"reached_by", modlink::Json::array()}};
        addNodeState(node, nodeState);
        nodes.push_back(std::move(node));
    }
    std::stable_sort(nodes.begin(), nodes.end(),
                     [](const modlink::Json& a, const modlink::Json& b) {
                         return a["id"].get<int>() < b["id"].get<int>();
                     });
    json["ports"] = portsJson(state);
    json["site"] = state.site;
    json["surveyed_at"] =
        state.surveys ? modlink::Json(timeText(state.surveyedAt)) : modlink::Json();
    json["interval_s"] = state.interval.count();
    return json;
}

}  // namespace watch
