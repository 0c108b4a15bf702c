#include "ReplyFrames.h"

proto::Frame routeListReply(std::uint16_t local, const std::vector<RouteSlot>& entries) {
    proto::RouteListReply reply{.localNode = local};
    for (std::size_t i = 0; i < entries.size() && i < reply.entries.size(); ++i) {
        if (entries[i].route != proto::kEmptyNode)
            reply.entries[i] = proto::RouteEntry{entries[i].target, entries[i].route};
    }
    return proto::encode(reply);
}

proto::Frame pathListReply(std::uint16_t local, const std::vector<PathSlot>& hops) {
    proto::PathReply reply{.localNode = local};
    for (auto hop = hops.rbegin(); hop != hops.rend(); ++hop) {
        if (hop->node != proto::kEmptyNode) reply.hops.push_back({hop->node, hop->link});
    }
    return proto::encode(reply);
}
