#include <gtest/gtest.h>

#include "MeshGraph.h"
#include "Surveys.h"

namespace mesh {

void PrintTo(const MeshNode& node, std::ostream* out) {
    *out << "node " << node.id << " on " << node.modules.size() << " ports, reached by";
    for (const auto by : node.reachedBy) *out << ' ' << by;
}

void PrintTo(const MeshEdge& edge, std::ostream* out) {
    *out << edge.from << (edge.kind == EdgeKind::Route ? " route " : " path ") << edge.to;
    if (edge.linkValue) *out << " -" << int{*edge.linkValue};
    if (edge.oneWay) *out << " one way";
    for (const auto target : edge.targets) *out << " to " << target;
}

namespace {

using namespace mesh::test;

struct GraphCase {
    std::string name;
    Survey survey;
    std::vector<MeshNode> nodes;
    std::vector<MeshEdge> edges;
};

void PrintTo(const GraphCase& row, std::ostream* out) {
    *out << row.name;
}

class GraphOfSurvey : public testing::TestWithParam<GraphCase> {};

TEST_P(GraphOfSurvey, HoldsTheNodesAndLinksTheRepliesGive) {
    const MeshGraph graph = buildGraph(GetParam().survey);
    EXPECT_EQ(graph.nodes, GetParam().nodes);
    EXPECT_EQ(graph.edges, GetParam().edges);
    for (const MeshNode& node : graph.nodes) EXPECT_EQ(graph.node(node.id), &node);
    EXPECT_EQ(graph.node(proto::kEmptyNode), nullptr);
    EXPECT_EQ(graph.node(0), nullptr);
}

constexpr auto kRoute = EdgeKind::Route;
constexpr auto kPath = EdgeKind::Path;

INSTANTIATE_TEST_SUITE_P(
    Surveys, GraphOfSurvey,
    testing::Values(
        // Route edges go to the first hop and take the path's value either way round.
        GraphCase{"chain",
                  chain(),
                  {{1, {0}, {2, 3}}, {2, {1}, {1, 3}}, {3, {2}, {1, 2}}},
                  {{1, 2, kRoute, 40, {2, 3}},
                   {1, 2, kPath, 40, {}},
                   {2, 1, kRoute, 40, {1}},
                   {2, 3, kRoute, 60, {3}},
                   {2, 3, kPath, 60, {}},
                   {3, 2, kRoute, 60, {1, 2}}}},
        // Targets and first hops no module answers as are nodes only heard of; 0xFFFF never
        // is a node, and a hop past an empty one follows the hop before it.
        GraphCase{"nodes_only_heard_of",
                  {answered("COM200", 1, {{5, 4}, {proto::kEmptyNode, 4}, {6, proto::kEmptyNode}},
                            {{4, 30}, {proto::kEmptyNode, 99}, {7, 70}})},
                  {{1, {0}, {}}, {4, {}, {}}, {5, {}, {1}}, {7, {}, {}}},
                  {{1, 4, kRoute, 30, {5}}, {1, 4, kPath, 30, {}}, {4, 7, kPath, 70, {}}}},
        // A module naming itself as target or hop adds no node and no loop.
        GraphCase{"routes_to_itself",
                  {answered("COM200", 1, {{1, 1}, {2, 1}}, {{1, 10}, {2, 20}})},
                  {{1, {0}, {}}, {2, {}, {1}}},
                  {{1, 2, kPath, 20, {}}}},
        // One id on two ports is one node with two modules.
        GraphCase{"one_id_twice",
                  {answered("COM200", 1, {{2, 2}}), answered("COM201", 2, {{1, 1}}),
                   answered("COM202", 2, {{1, 1}})},
                  {{1, {0}, {2}}, {2, {1, 2}, {1}}},
                  {{1, 2, kRoute, std::nullopt, {2}}, {2, 1, kRoute, std::nullopt, {1}}}},
        // Failed ports and modules without an id stay off the map; a module whose setup
        // failed answers as its route list's local node.
        GraphCase{"ports_off_the_map",
                  {failed("COM200", "no reply"),
                   answered("COM201", proto::kEmptyNode, {{3, 3}}),
                   changed(answered("COM202", 3, {}), [](ModuleAnswers& a) { a.setup.reset(); }),
                   {"COM203", ModuleAnswers{}}},
                  {{3, {2}, {}}},
                  {}},
        // One way only where the far end names all its routes: not when its list was not read
        // (3) or is full (4), nor for a node only heard of (100).
        GraphCase{
            "one_way_links",
            {answered("COM200", 1, {{2, 2}, {3, 3}, {4, 4}}), answered("COM201", 2, {}),
             changed(answered("COM202", 3, {}), [](ModuleAnswers& a) { a.routes.reset(); }),
             answered("COM203", 4, std::vector<proto::RouteEntry>(proto::kRouteSlots, {100, 100}))},
            {{1, {0}, {}}, {2, {1}, {1}}, {3, {2}, {1}}, {4, {3}, {1}}, {100, {}, {4}}},
            {{1, 2, kRoute, std::nullopt, {2}, true},
             {1, 3, kRoute, std::nullopt, {3}},
             {1, 4, kRoute, std::nullopt, {4}},
             {4, 100, kRoute, std::nullopt, {100}}}},
        // A link two paths report keeps the first value heard.
        GraphCase{
            "two_paths_over_one_link",
            {answered("COM200", 1, {}, {{2, 40}}), answered("COM201", 3, {}, {{1, 5}, {2, 50}})},
            {{1, {0}, {}}, {2, {}, {}}, {3, {1}, {}}},
            {{1, 2, kPath, 40, {}}, {3, 1, kPath, 5, {}}}}),
    rowName);

}  // namespace
}  // namespace mesh
