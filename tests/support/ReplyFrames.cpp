#include "ReplyFrames.h"

#include "WireFields.h"

namespace {

constexpr std::size_t kRouteSlots = 40;
constexpr std::size_t kPathSlots = 8;

}  // namespace

proto::Frame routeListReply(std::uint16_t local, const std::vector<RouteSlot>& entries) {
    proto::Frame payload;
    proto::appendBe16(payload, local);
    proto::appendBe16(payload, 0);
    for (std::size_t i = 0; i < kRouteSlots; ++i) {
        const RouteSlot entry = i < entries.size() ? entries[i] : RouteSlot{0, kEmptyNode};
        proto::appendBe16(payload, entry.target);
        payload.push_back(0x01);
        proto::appendBe16(payload, entry.route);
        payload.insert(payload.end(), {0x00, 0x00, 0x00, 0x00});
    }
    return proto::buildFrame(proto::kTypeModule, proto::kReplyRouteList, payload);
}

proto::Frame pathListReply(std::uint16_t local, const std::vector<PathSlot>& hops) {
    proto::Frame payload{0x00};
    proto::appendBe16(payload, local);
    for (std::size_t i = 0; i < kPathSlots; ++i) {
        const PathSlot hop = i < hops.size() ? hops[i] : PathSlot{0, kEmptyNode};
        payload.push_back(hop.link);
        proto::appendBe16(payload, hop.node);
    }
    return proto::buildFrame(proto::kTypeModule, proto::kReplyPathList, payload);
}
