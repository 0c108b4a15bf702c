#include "MeshReplies.h"

#include <cmath>

#include "WireFields.h"

namespace sim {

namespace {

constexpr std::uint8_t kEmptyByte = 0xFF;
constexpr std::size_t kRouteEntrySize = 9;
constexpr std::size_t kRouteEntryTail = 4;  // after the route node; the tool skips them
constexpr double kSensitivity = 120;        // the weakest link value a receiver hears

// A lossy link is heard weaker: its value moves from the hop's own towards the sensitivity
// in proportion to the loss, so the path window and the send test tell the same story.
std::uint8_t reportedLinkValue(std::uint8_t value, double deliveryRate) {
    if (value >= kSensitivity) return value;
    return static_cast<std::uint8_t>(
        std::lround(value + (1.0 - deliveryRate) * (kSensitivity - value)));
}

void appendRoute(proto::Frame& payload, const std::optional<RouteEntry>& route) {
    if (!route) {
        payload.insert(payload.end(), kRouteEntrySize, kEmptyByte);
        return;
    }
    proto::appendBe16(payload, route->target);
    payload.push_back(0x00);
    proto::appendBe16(payload, route->via);
    payload.insert(payload.end(), kRouteEntryTail, 0x00);
}

}  // namespace

proto::Frame routeListReply(const Mesh& mesh) {
    proto::Frame payload;
    proto::appendBe16(payload, mesh.localNode);
    proto::appendBe16(payload, static_cast<std::uint16_t>(mesh.routes.size()));
    for (std::size_t i = 0; i < kRouteSlots; ++i) {
        appendRoute(payload, i < mesh.routes.size() ? mesh.routes[i] : std::nullopt);
    }
    return proto::buildFrame(proto::kTypeModule, proto::kReplyRouteList, payload);
}

proto::Frame pathListReply(const Mesh& mesh) {
    proto::Frame payload{static_cast<std::uint8_t>(mesh.path.size())};
    proto::appendBe16(payload, mesh.localNode);
    // The module lists the path from the target back towards the local node.
    for (std::size_t i = mesh.path.size(); i-- > 0;) {
        const Hop& hop = mesh.path[i];
        const NodeId from = i == 0 ? mesh.localNode : mesh.path[i - 1].node;
        payload.push_back(
            reportedLinkValue(hop.linkValue, mesh.linkBetween(from, hop.node).deliveryRate));
        proto::appendBe16(payload, hop.node);
    }
    for (std::size_t i = mesh.path.size(); i < kPathSlots; ++i) {
        payload.insert(payload.end(), {kEmptyByte, kEmptyByte, kEmptyByte});
    }
    return proto::buildFrame(proto::kTypeModule, proto::kReplyPathList, payload);
}

}  // namespace sim
