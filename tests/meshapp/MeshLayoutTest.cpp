// Graphviz's layout of made-up and simulated meshes as the map reads it back: every node placed
// inside the picture, no two badges on one another, every line from badge to badge, arrows
// where routes run one way, and a mesh laid out again beside its last layout staying put.

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "LabSurvey.h"
#include "MeshLayout.h"
#include "MeshLines.h"
#include "Surveys.h"

namespace meshapp {
namespace {

using namespace mesh::test;

constexpr double kRadius = kBadgeDiameter / 2;
constexpr double kRimSlack = 3;  // Graphviz ends a line on the node's polygon, not its circle

double distance(MapPoint a, MapPoint b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

struct LayoutCase {
    std::string name;
    mesh::Survey survey;
};

void PrintTo(const LayoutCase& row, std::ostream* out) {
    *out << row.name;
}

// 1 -> 2 one way: 2 answers with a whole route list that has no route back.
mesh::Survey oneWay() {
    return {answered("COM200", 1, {{2, 2}}, {{2, 70}}), answered("COM201", 2, {})};
}

// 1 reaches 9 through 8, neither of them on a port.
mesh::Survey heardOf() {
    return {answered("COM200", 1, {{8, 8}, {9, 8}}, {{8, 50}, {9, 90}})};
}

class LayoutOfMesh : public testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutOfMesh, PlacesEveryBadgeApartAndEveryLineBetweenItsBadges) {
    const mesh::Mesh mesh = mesh::assessMesh(GetParam().survey);
    const MeshLayout layout = layOutMesh(mesh);

    ASSERT_EQ(layout.nodes.size(), mesh.graph.nodes.size());
    for (const NodePlace& node : layout.nodes) {
        EXPECT_GE(node.centre.x, kRadius - 1) << node.id;
        EXPECT_GE(node.centre.y, kRadius - 1) << node.id;
        EXPECT_LE(node.centre.x, layout.width - kRadius + 1) << node.id;
        EXPECT_LE(node.centre.y, layout.height - kRadius + 1) << node.id;
        for (const NodePlace& other : layout.nodes) {
            if (other.id <= node.id) continue;
            const double apart = std::max(std::abs(node.centre.x - other.centre.x),
                                          std::abs(node.centre.y - other.centre.y));
            EXPECT_GE(apart, kBadgeDiameter + kCaptionRoom) << node.id << " " << other.id;
        }
    }

    const auto lines = mesh::meshLines(mesh.graph);
    ASSERT_EQ(layout.lines.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const LinePlace& place = layout.lines[i];
        SCOPED_TRACE(std::to_string(place.from) + " - " + std::to_string(place.to));
        ASSERT_EQ(place.from, lines[i].from);
        ASSERT_EQ(place.to, lines[i].to);
        ASSERT_GE(place.curve.size(), 4u);
        EXPECT_EQ(place.curve.size() % 3, 1u);
        EXPECT_NEAR(distance(place.curve.front(), layout.node(place.from)->centre), kRadius,
                    kRimSlack);
        const MapPoint end = place.arrowTip.value_or(place.curve.back());
        EXPECT_NEAR(distance(end, layout.node(place.to)->centre), kRadius, kRimSlack);
        EXPECT_EQ(place.arrowTip.has_value(), lines[i].oneWay);
        EXPECT_EQ(place.labelCentre.has_value(), lines[i].linkValue.has_value());
    }
}

// Graphviz still removes overlaps around pinned nodes, which may shift them a little.
TEST_P(LayoutOfMesh, StaysPutWhenLaidOutAgainBesideItself) {
    const mesh::Mesh mesh = mesh::assessMesh(GetParam().survey);
    const MeshLayout first = layOutMesh(mesh);
    const MeshLayout again = layOutMesh(mesh, first);
    for (const NodePlace& node : first.nodes)
        EXPECT_LT(distance(node.centre, again.node(node.id)->centre), kBadgeDiameter + kCaptionRoom)
            << node.id << " from " << node.centre.x << "," << node.centre.y << " to "
            << again.node(node.id)->centre.x << "," << again.node(node.id)->centre.y;
}

INSTANTIATE_TEST_SUITE_P(
    Meshes, LayoutOfMesh,
    testing::Values(LayoutCase{"one_module", {answered("COM200", 1, {})}},
                    LayoutCase{"chain", chain()}, LayoutCase{"one_way", oneWay()},
                    LayoutCase{"heard_of", heardOf()},
                    LayoutCase{"example_lab", lab_survey::survey(lab_survey::planOf(R"(
[[node]]
id = 1
[[node]]
id = 2
[[node]]
id = 3
[[node]]
id = 4
network_id = 2
[[link]]
nodes = [1, 2]
link_value = 52
[[link]]
nodes = [2, 3]
link_value = 97
[[link]]
nodes = [3, 4]
link_value = 40
)"))},
                    LayoutCase{"grid_of_60", lab_survey::survey(lab_survey::grid(6, 10))},
                    LayoutCase{"grid_of_100", lab_survey::survey(lab_survey::grid(10, 10))}),
    rowName);

TEST(LayoutOfMesh, OfNoNodeIsEmpty) {
    const MeshLayout layout = layOutMesh(mesh::assessMesh({failed("COM200", "no reply")}));
    EXPECT_TRUE(layout.nodes.empty());
    EXPECT_EQ(layout.width, 0);
}

// The window runs in the user's locale; one whose LC_NUMERIC writes 0,5 must get the same map.
TEST(LayoutOfMesh, IsTheSameWhereTheLocaleWritesCommaDecimals) {
    const mesh::Mesh mesh = mesh::assessMesh(chain());
    const MeshLayout inC = layOutMesh(mesh);
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    bool comma = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "nl_NL.UTF-8"})
        if (std::setlocale(LC_ALL, name) && std::string(std::localeconv()->decimal_point) == ",") {
            comma = true;
            break;
        }
    if (!comma) {
        std::setlocale(LC_ALL, saved.c_str());
        GTEST_SKIP() << "no locale with a comma decimal point";
    }
    const MeshLayout inComma = layOutMesh(mesh);
    std::setlocale(LC_ALL, saved.c_str());
    ASSERT_EQ(inComma.nodes.size(), inC.nodes.size());
    for (std::size_t i = 0; i < inC.nodes.size(); ++i)
        EXPECT_EQ(inComma.nodes[i].centre, inC.nodes[i].centre) << inC.nodes[i].id;
    EXPECT_EQ(inComma.width, inC.width);
}

}  // namespace
}  // namespace meshapp
