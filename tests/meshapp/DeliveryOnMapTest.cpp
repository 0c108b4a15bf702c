// The delivery test's figures on the map: the worst pair at each node, and on each line the
// worst pair routed over it.

#include <gtest/gtest.h>

#include "DeliveryOnMap.h"
#include "PairSummaries.h"

namespace {

struct MapCase {
    const char* name;
    std::vector<delivery::PairSummary> pairs;
    std::map<std::uint16_t, double> nodes;
    std::map<std::pair<std::uint16_t, std::uint16_t>, double> lines;
};

class DeliveryOnMap : public testing::TestWithParam<MapCase> {};

// Ports 0, 1, 2 hold nodes 1, 2, 6: 1 reaches 6 over relay 2, and 6 reaches 1 the same way.
TEST_P(DeliveryOnMap, ColoursEachNodeAndLineByItsWorstPair) {
    mesh::MeshGraph graph;
    graph.edges = {{1, 2, mesh::EdgeKind::Route, std::nullopt, {2, 6}},
                   {2, 1, mesh::EdgeKind::Route, std::nullopt, {1}},
                   {2, 6, mesh::EdgeKind::Route, std::nullopt, {6}},
                   {6, 2, mesh::EdgeKind::Route, std::nullopt, {1, 2}}};
    const std::vector<delivery::Port> ports{{"COM200", 1}, {"COM201", 2}, {"COM205", 6}};
    delivery::Summary summary;
    summary.pairs = GetParam().pairs;
    const meshapp::DeliveryShares shares = meshapp::deliveryShares(graph, ports, summary);
    EXPECT_EQ(shares.nodes, GetParam().nodes);
    EXPECT_EQ(shares.lines, GetParam().lines);
}

const MapCase kMaps[] = {
    {"nothingKnownYet", {pairOf(0, 2, 3, 0, 3)}, {}, {}},
    {"overTheRelay", {pairOf(0, 2, 10, 9)}, {{1, 0.9}, {6, 0.9}}, {{{1, 2}, 0.9}, {{2, 6}, 0.9}}},
    {"worstOfTwoOnALine",
     {pairOf(0, 2, 10, 9), pairOf(1, 0, 10, 5)},
     {{1, 0.5}, {2, 0.5}, {6, 0.9}},
     {{{1, 2}, 0.5}, {{2, 6}, 0.9}}},
    {"bothWaysOneLine",
     {pairOf(2, 0, 4, 1), pairOf(0, 2, 4, 4)},
     {{1, 0.25}, {6, 0.25}},
     {{{1, 2}, 0.25}, {{2, 6}, 0.25}}},
};

INSTANTIATE_TEST_SUITE_P(, DeliveryOnMap, testing::ValuesIn(kMaps),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
