#include <gtest/gtest.h>

#include <sstream>

#include "Mesh.h"

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
        BadCase{"several",
                "foo\nlocal 1\nhop 2\n",
                {"line 1: unknown statement 'foo'", "line 3: expected: hop <node> <linkvalue>"}}),
    [](const auto& info) { return info.param.tag; });

}  // namespace
