#include "RouteChanges.h"

#include <optional>

#include "MeshReach.h"

namespace watch {

namespace {

std::optional<std::uint16_t> hopTo(const std::map<std::uint16_t, std::uint16_t>& hops,
                                   std::uint16_t target) {
    const auto found = hops.find(target);
    if (found == hops.end()) return std::nullopt;
    return found->second;
}

std::string hopValue(std::optional<std::uint16_t> hop) {
    return hop ? std::to_string(*hop) : "none";
}

std::string wayText(std::uint16_t target, std::uint16_t hop) {
    return hop == target ? "directly" : "through " + std::to_string(hop);
}

std::string changeText(const std::string& module, std::uint16_t target,
                       std::optional<std::uint16_t> before, std::optional<std::uint16_t> now) {
    const std::string to = "node " + std::to_string(target);
    if (!now) return module + " lost its route to " + to + " (" + wayText(target, *before) + ")";
    if (!before) return module + " found a route to " + to + ", " + wayText(target, *now);
    return module + " now reaches " + to + " " + wayText(target, *now) + ", before " +
           wayText(target, *before);
}

}  // namespace

void RouteChanges::compare(const std::string& port, const Table& before, const Table& now,
                           const HeardNodes& heard, WallTime time,
                           std::vector<Event>& events) const {
    std::map<std::uint16_t, bool> targets;
    for (const auto& [target, hop] : before.firstHops) targets[target] = true;
    for (const auto& [target, hop] : now.firstHops) targets[target] = true;
    const std::string module = port + " (node " + std::to_string(now.node) + ")";
    for (const auto& [target, unused] : targets) {
        const auto was = hopTo(before.firstHops, target);
        const auto is = hopTo(now.firstHops, target);
        if (was == is) continue;
        const bool heardThroughout = heard.contains(target) && m_heardBefore.contains(target);
        if ((!was || !is) && !heardThroughout) continue;
        events.push_back({.time = time,
                          .kind = EventKind::RouteChanged,
                          .phase = EventPhase::Once,
                          .port = port,
                          .node = now.node,
                          .peer = target,
                          .oldValue = hopValue(was),
                          .newValue = hopValue(is),
                          .text = changeText(module, target, was, is)});
    }
}

void RouteChanges::surveyed(const mesh::Mesh& mesh, const HeardNodes& heard, WallTime now,
                            std::vector<Event>& events) {
    for (const mesh::Module& module : mesh::modulesOf(mesh.survey)) {
        if (!module.answers->routes) continue;
        Table table{module.id, {}};
        for (const proto::RouteEntry& route : mesh::routesOf(module))
            table.firstHops.try_emplace(route.target, route.route);
        const std::string& port = mesh.survey[module.index].port;
        const auto before = m_tables.find(port);
        // A module that answers as another node now is another module.
        if (before != m_tables.end() && before->second.node == module.id)
            compare(port, before->second, table, heard, now, events);
        m_tables[port] = std::move(table);
    }
    m_heardBefore = heard;
}

}  // namespace watch
