#include <gtest/gtest.h>

#include <sstream>

#include "LabMesh.h"

namespace {

sim::MeshParse parse(const std::string& text) {
    std::istringstream in(text);
    return sim::parseMesh(in);
}

TEST(Mesh, BuiltInMeshHasEightNodesAnEmptyEntryAndAPath) {
    const sim::Mesh mesh = sim::defaultMesh();
    EXPECT_EQ(mesh.localNode, 1);
    EXPECT_EQ(mesh.remoteNodes().size(), 7u);
    ASSERT_GE(mesh.routes.size(), 3u);
    EXPECT_TRUE(mesh.routes.front() && mesh.routes.back());
    EXPECT_TRUE(std::count(mesh.routes.begin(), mesh.routes.end(), std::nullopt) > 0);
    EXPECT_GE(mesh.path.size(), 3u);
    EXPECT_TRUE(mesh.contains(1));
    EXPECT_TRUE(mesh.contains(8));
    EXPECT_FALSE(mesh.contains(9));
}

TEST(Mesh, FileWithCommentsAndBlankLinesParses) {
    const auto parsed = parse(
        "# a test mesh\n"
        "\n"
        "local 300   # the module\n"
        "route 258 via 3\n"
        "  empty\n"
        "route 7 via 7\n"
        "hop 3 76\n"
        "hop 258 0\n");
    EXPECT_TRUE(parsed.errors.empty());
    EXPECT_EQ(parsed.mesh.localNode, 300);
    const std::vector<std::optional<sim::RouteEntry>> routes{sim::RouteEntry{258, 3}, std::nullopt,
                                                             sim::RouteEntry{7, 7}};
    EXPECT_EQ(parsed.mesh.routes, routes);
    const std::vector<sim::Hop> path{{3, 76}, {258, 0}};
    EXPECT_EQ(parsed.mesh.path, path);
}

std::string repeated(const std::string& line, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += line;
    return text;
}

struct BadCase {
    const char* tag;
    std::string text;
    std::vector<std::string> errors;
};

class BadMeshFile : public testing::TestWithParam<BadCase> {};

TEST_P(BadMeshFile, EveryBadLineIsReportedWithItsNumber) {
    EXPECT_EQ(parse(GetParam().text).errors, GetParam().errors);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadMeshFile,
    testing::Values(
        BadCase{"unknown", "local 1\nrout 2 via 3\n", {"line 2: unknown statement 'rout'"}},
        BadCase{"route_syntax", "route 2 to 3\n", {"line 1: expected: route <target> via <node>"}},
        BadCase{"local_twice", "local 1\n\nlocal 2\n", {"line 3: local node given twice"}},
        BadCase{"empty_marker_id",
                "route 65535 via 1\n",
                {"line 1: node id '65535' is not a number from 0 to 65534"}},
        BadCase{"not_a_number",
                "hop 0x10 5\n",
                {"line 1: node id '0x10' is not a number from 0 to 65534"}},
        BadCase{"link_value",
                "hop 4 256\n",
                {"line 1: link value '256' is not a number from 0 to 255"}},
        BadCase{"empty_args", "empty 3\n", {"line 1: expected: empty"}},
        BadCase{
            "too_many_routes", repeated("empty\n", 41), {"line 41: more than 40 route entries"}},
        BadCase{"too_many_hops", repeated("hop 2 1\n", 9), {"line 9: more than 8 hops"}},
        BadCase{"link_syntax",
                "link 1 2 0.5\n",
                {"line 1: expected: link <node> <node> <rate> <latency>"}},
        BadCase{"link_rate",
                "link 1 2 1.5 0\n",
                {"line 1: delivery rate '1.5' is not a number from 0 to 1"}},
        BadCase{"link_latency",
                "link 1 2 0.5 -3\n",
                {"line 1: latency '-3' is not a number from 0 to 60000"}},
        BadCase{"link_to_itself", "link 2 2 1 0\n", {"line 1: a link joins two different nodes"}},
        BadCase{"link_twice", "link 1 2 0.5 0\nlink 2 1 1 0\n", {"line 2: link given twice"}},
        BadCase{"several",
                "foo\nlocal 1\nhop 2\n",
                {"line 1: unknown statement 'foo'", "line 3: expected: hop <node> <linkvalue>"}}),
    [](const auto& info) { return info.param.tag; });

struct RouteCase {
    const char* tag;
    std::string text;  // empty: the built-in mesh
    sim::NodeId target;
    std::optional<std::vector<sim::NodeId>> hops;
};

class RouteTo : public testing::TestWithParam<RouteCase> {};

TEST_P(RouteTo, FollowsTheRouteEntriesHopByHop) {
    const sim::Mesh mesh =
        GetParam().text.empty() ? sim::defaultMesh() : parse(GetParam().text).mesh;
    EXPECT_EQ(mesh.routeTo(GetParam().target), GetParam().hops);
}

using Hops = std::vector<sim::NodeId>;

INSTANTIATE_TEST_SUITE_P(Targets, RouteTo,
                         testing::Values(RouteCase{"neighbour", "", 2, Hops{2}},
                                         RouteCase{"through_a_neighbour", "", 3, Hops{2, 3}},
                                         RouteCase{"three_hops", "", 6, Hops{4, 5, 6}},
                                         RouteCase{"route_node_without_entry", "", 8, Hops{7, 8}},
                                         RouteCase{"local_node", "", 1, Hops{}},
                                         RouteCase{"not_in_mesh", "", 9, std::nullopt},
                                         RouteCase{"circle", "route 2 via 3\nroute 3 via 2\n", 2,
                                                   std::nullopt}),
                         [](const auto& info) { return info.param.tag; });

TEST(Mesh, LinksAreTheSameBothWaysAndPerfectUnlessNamed) {
    const sim::Mesh mesh = parse("link 4 1 0.25 30\n").mesh;
    EXPECT_EQ(mesh.linkBetween(1, 4).deliveryRate, 0.25);
    EXPECT_EQ(mesh.linkBetween(1, 4).latency, std::chrono::milliseconds(30));
    EXPECT_EQ(mesh.linkBetween(1, 5).deliveryRate, 1.0);
    EXPECT_EQ(mesh.linkBetween(1, 5).latency, std::chrono::milliseconds(0));
}

}  // namespace
