#include "MeshReplies.h"

#include <cmath>

namespace sim {

namespace {

constexpr double kSensitivity = 120;  // the weakest link value a receiver hears

// A lossy link is heard weaker: its value moves from the hop's own towards the sensitivity
// in proportion to the loss, so the path window and the send test tell the same story.
std::uint8_t reportedLinkValue(std::uint8_t value, double deliveryRate) {
    if (value >= kSensitivity) return value;
    return static_cast<std::uint8_t>(
        std::lround(value + (1.0 - deliveryRate) * (kSensitivity - value)));
}

}  // namespace

proto::Frame routeListReply(const Mesh& mesh, NodeId local) {
    proto::RouteListReply reply{.localNode = local};
    for (std::size_t i = 0; i < mesh.routes.size() && i < reply.entries.size(); ++i) {
        if (const auto& route = mesh.routes[i])
            reply.entries[i] = proto::RouteEntry{route->target, route->via};
    }
    return proto::encode(reply);
}

proto::Frame pathListReply(const Mesh& mesh, NodeId local) {
    proto::PathReply reply{.localNode = local};
    for (std::size_t i = 0; i < mesh.path.size(); ++i) {
        const Hop& hop = mesh.path[i];
        const NodeId from = i == 0 ? mesh.localNode : mesh.path[i - 1].node;
        reply.hops.push_back(
            {hop.node,
             reportedLinkValue(hop.linkValue, mesh.linkBetween(from, hop.node).deliveryRate)});
    }
    return proto::encode(reply);
}

}  // namespace sim
