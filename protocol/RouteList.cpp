#include "RouteList.h"

#include <variant>

#include "Messages.h"
#include "WireFields.h"

namespace proto {

namespace {

template <typename Value>
std::optional<Value> replyOf(Bytes block) {
    const std::optional<Reply> reply = decodeReply(block);
    const auto* value = reply ? std::get_if<Value>(&*reply) : nullptr;
    if (!value) return std::nullopt;
    return *value;
}

}  // namespace

Frame buildReadRouteList() {
    return encode(RouteListRequest{});
}

Frame buildReadPathList() {
    return encode(PathRequest{});
}

std::optional<RouteList> decodeRouteList(Bytes block) {
    const std::optional<RouteListReply> reply = replyOf<RouteListReply>(block);
    if (!reply) return std::nullopt;
    RouteList list{.localNode = idText(reply->localNode)};
    for (const std::optional<RouteEntry>& slot : reply->entries) {
        if (!slot) continue;
        list.routeNodes.push_back(idText(slot->route));
        list.targetNodes.push_back(idText(slot->target));
    }
    return list;
}

std::optional<PathList> decodePathList(Bytes block) {
    const std::optional<PathReply> reply = replyOf<PathReply>(block);
    if (!reply) return std::nullopt;
    PathList path{.pathNodes = {idText(reply->localNode)}};
    for (const PathHop& hop : reply->hops) {
        path.pathNodes.push_back(idText(hop.node));
        path.linkValues.push_back("-" + std::to_string(hop.linkValue));
    }
    return path;
}

}  // namespace proto
