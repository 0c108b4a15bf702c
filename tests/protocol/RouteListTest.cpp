#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "HexBytes.h"
#include "RouteList.h"

namespace {

using Strings = std::vector<std::string>;

constexpr std::uint16_t kEmpty = 0xFFFF;
constexpr std::size_t kRouteEntries = 40;
constexpr std::size_t kPathHops = 8;

void appendId(proto::Frame& out, std::uint16_t id) {
    out.push_back(static_cast<std::uint8_t>(id >> 8));
    out.push_back(static_cast<std::uint8_t>(id));
}

struct Entry {
    std::uint16_t target;
    std::uint16_t route;
};

// A complete route list reply: entries not given are empty.
proto::Frame routeReply(std::uint16_t local, const std::vector<Entry>& entries) {
    proto::Frame reply = hexBytes("01 00 83 00");
    appendId(reply, local);
    appendId(reply, 0);
    for (std::size_t i = 0; i < kRouteEntries; ++i) {
        const Entry entry = i < entries.size() ? entries[i] : Entry{0, kEmpty};
        appendId(reply, entry.target);
        reply.push_back(0x01);
        appendId(reply, entry.route);
        reply.insert(reply.end(), {0x00, 0x00, 0x00, 0x00});
    }
    return withCheck(reply);
}

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
    const auto list = proto::decodeRouteList(GetParam().block);
    ASSERT_TRUE(list.has_value());
    EXPECT_EQ(list->localNode, "7");
    EXPECT_EQ(list->routeNodes, GetParam().routeNodes);
    EXPECT_EQ(list->targetNodes, GetParam().targetNodes);
}

const proto::Frame kThreeEntries = routeReply(7, {{11, 21}, {12, 22}, {13, 23}});

std::vector<Entry> lastEntryUsed() {
    std::vector<Entry> entries(kRouteEntries, Entry{0, kEmpty});
    entries.back() = {40, 400};
    return entries;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, RouteListReply,
    testing::Values(
        RouteCase{"EmptyEntryDoesNotEndList",
                  routeReply(7, {{100, 1}, {101, kEmpty}, {102, 2}}),
                  {"1", "2"},
                  {"100", "102"}},
        RouteCase{"DecimalTexts", routeReply(7, {{0x0102, 0x0003}}), {"3"}, {"258"}},
        RouteCase{"EmptyTargetIdIsStillANode", routeReply(7, {{kEmpty, 5}}), {"5"}, {"65535"}},
        RouteCase{"AllEmpty", routeReply(7, {}), {}, {}},
        RouteCase{"LastEntryOfFullReply", routeReply(7, lastEntryUsed()), {"400"}, {"40"}},
        // Without its final byte the last entry would end in the check byte.
        RouteCase{
            "LastEntryCutByOne", truncated(routeReply(7, lastEntryUsed()), 8 + 9 * 40 - 1), {}, {}},
        RouteCase{"ShortBlockHoldsTwoEntries",
                  truncated(kThreeEntries, 8 + 9 * 2 + 5),
                  {"21", "22"},
                  {"11", "12"}},
        RouteCase{"ShortBlockLocalNodeOnly", truncated(kThreeEntries, 8), {}, {}}),
    [](const auto& info) { return std::string(info.param.tag); });

TEST(RouteListReply, NothingWithoutLocalNode) {
    const proto::Frame reply = routeReply(7, {{11, 21}});
    for (std::size_t fieldBytes = 0; fieldBytes < 6; ++fieldBytes) {
        EXPECT_FALSE(proto::decodeRouteList(truncated(reply, fieldBytes)).has_value())
            << fieldBytes;
    }
    EXPECT_TRUE(proto::decodeRouteList(truncated(reply, 6)).has_value());
}

struct Hop {
    std::uint8_t link;
    std::uint16_t node;
};

// A complete path reply: hops not given are empty.
proto::Frame pathReply(std::uint16_t local, const std::vector<Hop>& hops) {
    proto::Frame reply = hexBytes("01 00 88 00 00");
    appendId(reply, local);
    for (std::size_t i = 0; i < kPathHops; ++i) {
        const Hop hop = i < hops.size() ? hops[i] : Hop{0, kEmpty};
        reply.push_back(hop.link);
        appendId(reply, hop.node);
    }
    return withCheck(reply);
}

struct PathCase {
    const char* tag;
    proto::Frame block;
    Strings pathNodes;
    Strings linkValues;
};

class PathReply : public testing::TestWithParam<PathCase> {};

TEST_P(PathReply, LocalNodeFirstThenHopsFromLast) {
    const auto path = proto::decodePathList(GetParam().block);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(path->pathNodes, GetParam().pathNodes);
    EXPECT_EQ(path->linkValues, GetParam().linkValues);
}

const proto::Frame kTwoHops = pathReply(1, {{0x4C, 0x0005}, {0x32, 0x0003}});

INSTANTIATE_TEST_SUITE_P(
    Replies, PathReply,
    testing::Values(
        PathCase{"TwoHops", kTwoHops, {"1", "3", "5"}, {"-50", "-76"}},
        PathCase{"AllEmpty", pathReply(1, {}), {"1"}, {}},
        PathCase{
            "EightHops",
            pathReply(9, {{1, 10}, {2, 20}, {3, 30}, {4, 40}, {5, 50}, {6, 60}, {7, 70}, {8, 80}}),
            {"9", "80", "70", "60", "50", "40", "30", "20", "10"},
            {"-8", "-7", "-6", "-5", "-4", "-3", "-2", "-1"}},
        PathCase{"EmptyHopBetweenUsed",
                 pathReply(1, {{0x10, 5}, {0x20, kEmpty}, {0x30, 3}}),
                 {"1", "3", "5"},
                 {"-48", "-16"}},
        PathCase{"LinkValueUnsigned",
                 pathReply(65535, {{0xFF, 2}, {0x00, 0}}),
                 {"65535", "0", "2"},
                 {"-0", "-255"}}),
    [](const auto& info) { return std::string(info.param.tag); });

// A cut reply keeps the hops next to the target: drawing them would invent a link.
TEST(PathReply, NothingUnlessEveryHopIsThere) {
    const proto::Frame reply = pathReply(1, {{0x4C, 5}});
    constexpr std::size_t kFieldBytes = 7 + 8 * 3;
    for (std::size_t fieldBytes = 0; fieldBytes < kFieldBytes; ++fieldBytes) {
        EXPECT_FALSE(proto::decodePathList(truncated(reply, fieldBytes)).has_value()) << fieldBytes;
    }
    EXPECT_TRUE(proto::decodePathList(truncated(reply, kFieldBytes)).has_value());
}

}  // namespace
