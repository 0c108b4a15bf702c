#pragma once
// Made-up surveys, written the way the route and path windows read: a module's routes as
// {target, first hop}, its last path as {node, link value} from its neighbour to the target.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Survey.h"

namespace mesh::test {

// Names each row of a table after its name.
inline constexpr auto rowName = [](const auto& info) { return info.param.name; };

inline const std::uint32_t kMeshFrequency = *proto::frequencyRegisterFromMhz(434.0);
inline const std::uint32_t kOtherFrequency = *proto::frequencyRegisterFromMhz(433.0);

inline proto::RouteListReply routeList(std::uint16_t local,
                                       const std::vector<proto::RouteEntry>& routes) {
    proto::RouteListReply reply{.localNode = local};
    for (std::size_t i = 0; i < routes.size(); ++i) reply.entries[i] = routes[i];
    return reply;
}

// A module that answered all three requests with the mesh's settings.
inline SurveyedPort answered(std::string port, std::uint16_t id,
                             const std::vector<proto::RouteEntry>& routes,
                             std::vector<proto::PathHop> path = {}) {
    const ModuleAnswers answers{
        .setup = proto::Setup{.frequencyRegister = kMeshFrequency, .nodeId = id},
        .routes = routeList(id, routes),
        .path = proto::PathReply{.localNode = id, .hops = std::move(path)}};
    return {std::move(port), answers};
}

inline SurveyedPort failed(std::string port, std::string reason) {
    return {std::move(port), PortFailure{PortFailureKind::NoReply, std::move(reason)}};
}

inline ModuleAnswers& answersOf(SurveyedPort& port) {
    return std::get<ModuleAnswers>(port.outcome);
}

template <typename Change>
SurveyedPort changed(SurveyedPort port, Change change) {
    change(answersOf(port));
    return port;
}

inline SurveyedPort onNetwork(SurveyedPort port, std::uint16_t networkId) {
    return changed(std::move(port), [&](ModuleAnswers& a) { a.setup->networkId = networkId; });
}

// Three modules in a chain 1 - 2 - 3, each with routes to the two others; 1 last sent to 3.
inline Survey chain() {
    return {answered("COM200", 1, {{2, 2}, {3, 2}}, {{2, 40}, {3, 60}}),
            answered("COM201", 2, {{1, 1}, {3, 3}}), answered("COM202", 3, {{1, 2}, {2, 2}})};
}

inline Survey chainAnd(std::vector<SurveyedPort> more) {
    Survey survey = chain();
    for (auto& port : more) survey.push_back(std::move(port));
    return survey;
}

}  // namespace mesh::test
