#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "HexBytes.h"
#include "ReplyFrames.h"
#include "RouteLabels.h"

namespace {

using Strings = std::vector<std::string>;

constexpr std::size_t kRouteEntries = 40;

// The first bytes of a reply, closed by a check byte as a short reply would be.
proto::Frame truncated(const proto::Frame& reply, std::size_t fieldBytes) {
    return withCheck(proto::Frame(reply.begin(), reply.begin() + fieldBytes));
}

struct RouteCase {
    const char* tag;
    proto::Frame block;
    Strings routeNodes;
    Strings targetNodes;
};

class RouteListReply : public testing::TestWithParam<RouteCase> {};

TEST_P(RouteListReply, UsedEntriesInOrder) {
    const auto list = forms::decodeRouteList(GetParam().block);
    ASSERT_TRUE(list.has_value());
    EXPECT_EQ(list->localNode, "7");
    EXPECT_EQ(list->routeNodes, GetParam().routeNodes);
    EXPECT_EQ(list->targetNodes, GetParam().targetNodes);
}

const proto::Frame kThreeEntries = routeListReply(7, {{11, 21}, {12, 22}, {13, 23}});

std::vector<RouteSlot> lastEntryUsed() {
    std::vector<RouteSlot> entries(kRouteEntries, RouteSlot{0, proto::kEmptyNode});
    entries.back() = {40, 400};
    return entries;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, RouteListReply,
    testing::Values(
        RouteCase{"EmptyEntryDoesNotEndList",
                  routeListReply(7, {{100, 1}, {101, proto::kEmptyNode}, {102, 2}}),
                  {"1", "2"},
                  {"100", "102"}},
        RouteCase{"DecimalTexts", routeListReply(7, {{0x0102, 0x0003}}), {"3"}, {"258"}},
        RouteCase{"EmptyTargetIdIsStillANode",
                  routeListReply(7, {{proto::kEmptyNode, 5}}),
                  {"5"},
                  {"65535"}},
        RouteCase{"AllEmpty", routeListReply(7, {}), {}, {}},
        RouteCase{"LastEntryOfFullReply", routeListReply(7, lastEntryUsed()), {"400"}, {"40"}},
        // Without its final byte the last entry would end in the check byte.
        RouteCase{"LastEntryCutByOne",
                  truncated(routeListReply(7, lastEntryUsed()), 8 + 9 * 40 - 1),
                  {},
                  {}},
        RouteCase{"ShortBlockHoldsTwoEntries",
                  truncated(kThreeEntries, 8 + 9 * 2 + 5),
                  {"21", "22"},
                  {"11", "12"}},
        RouteCase{"ShortBlockLocalNodeOnly", truncated(kThreeEntries, 8), {}, {}}),
    [](const auto& info) { return std::string(info.param.tag); });

TEST(RouteListReply, NothingWithoutLocalNode) {
    const proto::Frame reply = routeListReply(7, {{11, 21}});
    for (std::size_t fieldBytes = 0; fieldBytes < 6; ++fieldBytes) {
        EXPECT_FALSE(forms::decodeRouteList(truncated(reply, fieldBytes)).has_value())
            << fieldBytes;
    }
    EXPECT_TRUE(forms::decodeRouteList(truncated(reply, 6)).has_value());
}

struct PathCase {
    const char* tag;
    proto::Frame block;
    Strings pathNodes;
    Strings linkValues;
};

class PathReply : public testing::TestWithParam<PathCase> {};

TEST_P(PathReply, LocalNodeFirstThenHopsFromLast) {
    const auto path = forms::decodePathList(GetParam().block);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(path->pathNodes, GetParam().pathNodes);
    EXPECT_EQ(path->linkValues, GetParam().linkValues);
}

const proto::Frame kTwoHops = pathListReply(1, {{0x4C, 0x0005}, {0x32, 0x0003}});

INSTANTIATE_TEST_SUITE_P(
    Replies, PathReply,
    testing::Values(
        PathCase{"TwoHops", kTwoHops, {"1", "3", "5"}, {"-50", "-76"}},
        PathCase{"AllEmpty", pathListReply(1, {}), {"1"}, {}},
        PathCase{
            "EightHops",
            pathListReply(9,
                          {{1, 10}, {2, 20}, {3, 30}, {4, 40}, {5, 50}, {6, 60}, {7, 70}, {8, 80}}),
            {"9", "80", "70", "60", "50", "40", "30", "20", "10"},
            {"-8", "-7", "-6", "-5", "-4", "-3", "-2", "-1"}},
        PathCase{"EmptyHopBetweenUsed",
                 pathListReply(1, {{0x10, 5}, {0x20, proto::kEmptyNode}, {0x30, 3}}),
                 {"1", "3", "5"},
                 {"-48", "-16"}},
        PathCase{"LinkValueUnsigned",
                 pathListReply(65535, {{0xFF, 2}, {0x00, 0}}),
                 {"65535", "0", "2"},
                 {"-0", "-255"}}),
    [](const auto& info) { return std::string(info.param.tag); });

// A cut reply keeps the hops next to the target: drawing them would invent a link.
TEST(PathReply, NothingUnlessEveryHopIsThere) {
    const proto::Frame reply = pathListReply(1, {{0x4C, 5}});
    constexpr std::size_t kFieldBytes = 7 + 8 * 3;
    for (std::size_t fieldBytes = 0; fieldBytes < kFieldBytes; ++fieldBytes) {
        EXPECT_FALSE(forms::decodePathList(truncated(reply, fieldBytes)).has_value()) << fieldBytes;
    }
    EXPECT_TRUE(forms::decodePathList(truncated(reply, kFieldBytes)).has_value());
}

}  // namespace
