// Faults in who reaches whom, as MeshReach.h reads it from the route lists.

#include <algorithm>
#include <map>

#include "FaultFinders.h"
#include "MeshReach.h"

namespace mesh {

namespace {

std::string nodeText(std::uint16_t node) {
    return "node " + std::to_string(node);
}

// Only where a module of another id answered: a mesh of one module reaches none and is healthy.
void findLoneModules(const Survey& survey, const std::vector<Module>& modules,
                     std::vector<Fault>& faults) {
    const auto otherId = [&](const Module& m) { return m.id != modules.front().id; };
    if (std::ranges::none_of(modules, otherId)) return;
    for (const Module& module : modules) {
        const bool unreached = noModuleReaches(modules, module.id);
        const bool reachesNone = module.answers->routes && routesOf(module).empty();
        const std::string name = moduleName(survey[module.index]);
        Fault fault;
        if (unreached && reachesNone)
            fault = {FaultKind::Isolated, name + " reaches no node, and no module reaches it"};
        else if (unreached)
            fault = {FaultKind::Unreachable, "no module reaches " + name};
        else if (reachesNone)
            fault = {FaultKind::ReachesNone, name + " reaches no node"};
        else
            continue;
        involve(fault, survey, module.index);
        faults.push_back(std::move(fault));
    }
}

void findRoutesThroughUnreached(const Survey& survey, const std::vector<Module>& modules,
                                const Module& module, std::vector<Fault>& faults) {
    std::map<std::uint16_t, std::vector<std::string>> targetsByHop;
    for (const proto::RouteEntry& route : routesOf(module)) {
        if (route.route != route.target && route.route != module.id)
            targetsByHop[route.route].push_back(std::to_string(route.target));
    }
    for (const auto& [hop, targets] : targetsByHop) {
        if (!noModuleReaches(modules, hop)) continue;
        Fault fault{FaultKind::RouteThroughUnreachable,
                    moduleName(survey[module.index]) + " routes to " + listed(targets) +
                        " through " + nodeText(hop) + ", which no module reaches",
                    {},
                    {},
                    {{module.id, hop}}};
        involve(fault, survey, module.index);
        involveNode(fault, survey, hop);
        faults.push_back(std::move(fault));
    }
}

// The relays of the module's last path; its target is where the data went, not a way through.
void findPathThroughUnreached(const Survey& survey, const std::vector<Module>& modules,
                              const Module& module, std::vector<Fault>& faults) {
    const auto hops = hopsOf(module);
    for (std::size_t i = 0; i + 1 < hops.size(); ++i) {
        const std::uint16_t relay = hops[i].node;
        if (!noModuleReaches(modules, relay)) continue;
        const std::uint16_t before = i == 0 ? module.id : hops[i - 1].node;
        Fault fault{FaultKind::RouteThroughUnreachable,
                    "the last path of " + moduleName(survey[module.index]) + ", to " +
                        nodeText(hops.back().node) + ", runs through " + nodeText(relay) +
                        ", which no module reaches",
                    {},
                    {},
                    {{before, relay}, {relay, hops[i + 1].node}}};
        involve(fault, survey, module.index);
        involveNode(fault, survey, relay);
        faults.push_back(std::move(fault));
    }
}

void findOneWayRoutes(const Survey& survey, const std::vector<Module>& modules,
                      const Module& module, std::vector<Fault>& faults) {
    for (const proto::RouteEntry& route : routesOf(module)) {
        for (const Module& other : modules) {
            if (other.id != route.target || !surelyMisses(other, module.id)) continue;
            Fault fault{FaultKind::OneWayRoute,
                        moduleName(survey[module.index]) + " reaches " +
                            moduleName(survey[other.index]) + ", which has no route back",
                        {},
                        {},
                        {{module.id, other.id}}};
            involve(fault, survey, module.index);
            involve(fault, survey, other.index);
            faults.push_back(std::move(fault));
        }
    }
}

}  // namespace

void findReachFaults(const Survey& survey, std::vector<Fault>& faults) {
    const std::vector<Module> modules = modulesOf(survey);
    findLoneModules(survey, modules, faults);
    for (const Module& module : modules) {
        findRoutesThroughUnreached(survey, modules, module, faults);
        findPathThroughUnreached(survey, modules, module, faults);
        findOneWayRoutes(survey, modules, module, faults);
    }
}

}  // namespace mesh
