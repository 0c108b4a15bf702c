#include "RouteLabels.h"

#include <variant>

namespace forms {

namespace {

template <typename Value>
std::optional<Value> replyOf(proto::Bytes block) {
    const std::optional<proto::Reply> reply = proto::decodeReply(block);
    const auto* value = reply ? std::get_if<Value>(&*reply) : nullptr;
    if (!value) return std::nullopt;
    return *value;
}

}  // namespace

RouteList routeListOf(const proto::RouteListReply& reply) {
    RouteList list{.localNode = std::to_string(reply.localNode)};
    for (const std::optional<proto::RouteEntry>& entry : reply.entries) {
        if (!entry) continue;
        list.routeNodes.push_back(std::to_string(entry->route));
        list.targetNodes.push_back(std::to_string(entry->target));
    }
    return list;
}

PathList pathListOf(const proto::PathReply& reply) {
    PathList path{.pathNodes = {std::to_string(reply.localNode)}};
    for (const proto::PathHop& hop : reply.hops) {
        path.pathNodes.push_back(std::to_string(hop.node));
        path.linkValues.push_back("-" + std::to_string(hop.linkValue));
    }
    return path;
}

std::optional<RouteList> decodeRouteList(proto::Bytes block) {
    const std::optional<proto::RouteListReply> reply = replyOf<proto::RouteListReply>(block);
    if (!reply) return std::nullopt;
    return routeListOf(*reply);
}

std::optional<PathList> decodePathList(proto::Bytes block) {
    const std::optional<proto::PathReply> reply = replyOf<proto::PathReply>(block);
    if (!reply) return std::nullopt;
    return pathListOf(*reply);
}

}  // namespace forms
