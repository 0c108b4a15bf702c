#include "RouteList.h"

#include "Dispatch.h"
#include "WireFields.h"

namespace proto {

namespace {

constexpr std::uint16_t kEmptyNode = 0xFFFF;

constexpr std::size_t kRouteLocalOffset = 4;
constexpr std::size_t kRouteEntriesOffset = 8;
constexpr std::size_t kRouteEntryCount = 40;
constexpr std::size_t kRouteEntrySize = 9;
constexpr std::size_t kEntryTargetOffset = 0;
constexpr std::size_t kEntryRouteOffset = 3;

// The path reply has one byte more before the local node than the route list reply.
constexpr std::size_t kPathLocalOffset = 5;
constexpr std::size_t kPathHopsOffset = 7;
constexpr std::size_t kPathHopCount = 8;
constexpr std::size_t kPathHopSize = 3;
constexpr std::size_t kHopNodeOffset = 1;

constexpr std::size_t kNodeIdWidth = 2;

static_assert(kRouteEntriesOffset + kRouteEntryCount * kRouteEntrySize + kCheckSize ==
              kRouteListReplySize);
static_assert(kPathHopsOffset + kPathHopCount * kPathHopSize + kCheckSize == kPathReplySize);

}  // namespace

Frame buildReadRouteList() {
    return buildFrame(kTypeModule, kCmdReadRoute, {});
}

Frame buildReadPathList() {
    return buildFrame(kTypeModule, kCmdReadPath, {});
}

std::optional<RouteList> decodeRouteList(Bytes block) {
    if (!fieldsPresent(block, kRouteLocalOffset, kNodeIdWidth)) {
        return std::nullopt;
    }
    RouteList list{.localNode = idText(readBe16(block, kRouteLocalOffset))};
    for (std::size_t i = 0; i < kRouteEntryCount; ++i) {
        const std::size_t entry = kRouteEntriesOffset + i * kRouteEntrySize;
        if (!fieldsPresent(block, entry, kRouteEntrySize)) {
            break;  // a shorter block holds no later entry either
        }
        const std::uint16_t route = readBe16(block, entry + kEntryRouteOffset);
        if (route == kEmptyNode) {
            continue;  // an empty entry does not end the list
        }
        list.routeNodes.push_back(idText(route));
        list.targetNodes.push_back(idText(readBe16(block, entry + kEntryTargetOffset)));
    }
    return list;
}

std::optional<PathList> decodePathList(Bytes block) {
    // The module lists the path from the target back, so a cut reply keeps the hops next to the
    // target and would join the local node straight to them: only a whole reply is drawn.
    if (!fieldsPresent(block, kPathHopsOffset, kPathHopCount * kPathHopSize)) {
        return std::nullopt;
    }
    PathList path{.pathNodes = {idText(readBe16(block, kPathLocalOffset))}};
    // The module lists the hops from the target back; the window wants local node first.
    for (std::size_t i = kPathHopCount; i-- > 0;) {
        const std::size_t hop = kPathHopsOffset + i * kPathHopSize;
        const std::uint16_t node = readBe16(block, hop + kHopNodeOffset);
        if (node == kEmptyNode) {
            continue;
        }
        path.pathNodes.push_back(idText(node));
        path.linkValues.push_back("-" + std::to_string(block[hop]));
    }
    return path;
}

}  // namespace proto
