// The way data takes between two nodes, hop by hop along the route lists.

#include <gtest/gtest.h>

#include "MeshRoute.h"

namespace mesh {
namespace {

MeshEdge route(std::uint16_t from, std::uint16_t to, std::vector<std::uint16_t> targets) {
    return {from, to, EdgeKind::Route, std::nullopt, std::move(targets)};
}

struct RouteCase {
    const char* name;
    std::vector<MeshEdge> edges;
    std::uint16_t from;
    std::uint16_t to;
    std::vector<std::uint16_t> way;
};

class RouteBetween : public testing::TestWithParam<RouteCase> {};

TEST_P(RouteBetween, FollowsEachHopsRouteToTheTarget) {
    MeshGraph graph;
    graph.edges = GetParam().edges;
    EXPECT_EQ(routeBetween(graph, GetParam().from, GetParam().to), GetParam().way);
}

const RouteCase kRoutes[] = {
    {"neighbour", {route(1, 2, {2, 6})}, 1, 2, {1, 2}},
    {"overARelay", {route(1, 2, {2, 6}), route(2, 6, {6})}, 1, 6, {1, 2, 6}},
    {"relayOffPort", {route(1, 2, {2, 6})}, 1, 6, {}},
    {"noRoute", {route(1, 2, {2})}, 1, 5, {}},
    {"pathHopIsNoRoute", {{1, 2, EdgeKind::Path, 40, {}}}, 1, 2, {}},
    {"loop", {route(1, 2, {6}), route(2, 1, {6})}, 1, 6, {}},
    {"otherTargetsIgnored",
     {route(1, 3, {3}), route(1, 2, {6}), route(2, 6, {6})},
     1,
     6,
     {1, 2, 6}},
};

INSTANTIATE_TEST_SUITE_P(, RouteBetween, testing::ValuesIn(kRoutes),
                         [](const auto& info) { return std::string(info.param.name); });

// Each route's count is what following its way hop by hop gives, where ways share hops, run
// into a loop part-way, or stop at a node that is not on a port.
TEST(RouteHopCounts, AgreeWithEachWayFollowedHopByHop) {
    std::vector<std::vector<MeshEdge>> graphs = {
        {route(1, 2, {2, 3, 4, 5}), route(2, 3, {3, 4, 5}), route(3, 4, {4, 5}), route(4, 5, {5})},
        {route(4, 1, {9}), route(1, 2, {9}), route(2, 3, {9}), route(3, 2, {9})},
        {route(7, 7, {7}), route(1, 2, {2, 6}), route(1, 3, {2})},
    };
    for (const RouteCase& row : kRoutes) graphs.push_back(row.edges);
    for (const std::vector<MeshEdge>& edges : graphs) {
        MeshGraph graph;
        graph.edges = edges;
        std::map<RouteKey, int> followed;
        for (const MeshEdge& edge : edges)
            for (const std::uint16_t target : edge.targets)
                if (const auto way = routeBetween(graph, edge.from, target); !way.empty())
                    followed.try_emplace({edge.from, target}, static_cast<int>(way.size()) - 1);
        EXPECT_EQ(routeHopCounts(graph), followed) << "first route from " << edges.front().from;
    }
}

}  // namespace
}  // namespace mesh
