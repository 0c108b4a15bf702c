#include "MeshReach.h"

#include <algorithm>

namespace mesh {

namespace {

bool isFull(const proto::RouteListReply& routes) {
    return std::ranges::all_of(routes.entries, [](const auto& entry) { return entry.has_value(); });
}

}  // namespace

std::vector<proto::RouteEntry> routesOf(const Module& module) {
    std::vector<proto::RouteEntry> routes;
    if (!module.answers->routes) return routes;
    for (const auto& entry : module.answers->routes->entries) {
        if (!entry || entry->route == proto::kEmptyNode) continue;
        if (entry->target != proto::kEmptyNode && entry->target != module.id)
            routes.push_back(*entry);
    }
    return routes;
}

bool reaches(const Module& module, std::uint16_t node) {
    const auto routes = routesOf(module);
    return std::ranges::any_of(routes,
                               [node](const proto::RouteEntry& e) { return e.target == node; });
}

bool namesAllRoutes(const Module& module) {
    return module.answers->routes && !isFull(*module.answers->routes);
}

bool surelyMisses(const Module& module, std::uint16_t node) {
    return namesAllRoutes(module) && !reaches(module, node);
}

bool noModuleReaches(const std::vector<Module>& modules, std::uint16_t node) {
    bool anyRead = false;
    for (const Module& module : modules) {
        if (module.id == node || !module.answers->routes) continue;
        if (!surelyMisses(module, node)) return false;
        anyRead = true;
    }
    return anyRead;
}

}  // namespace mesh
