#include "RouteList.h"

#include <variant>

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
    return routeListOf(*reply);
}

std::optional<PathList> decodePathList(Bytes block) {
    const std::optional<PathReply> reply = replyOf<PathReply>(block);
    if (!reply) return std::nullopt;
    return pathListOf(*reply);
}

}  // namespace proto
