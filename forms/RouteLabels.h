#pragma once
// The route list and path replies as the label lists the route display draws.

#include <optional>
#include <string>
#include <vector>

#include "Messages.h"

namespace forms {

// The label lists the route list window draws.
struct RouteList {
    std::string localNode{};
    std::vector<std::string> routeNodes{};  // entry k of both lists comes from one route entry
    std::vector<std::string> targetNodes{};
};
RouteList routeListOf(const proto::RouteListReply& reply);

// The label lists the path window draws.
struct PathList {
    std::vector<std::string> pathNodes{};   // local node first, target last
    std::vector<std::string> linkValues{};  // "-%d", one fewer than pathNodes
};
PathList pathListOf(const proto::PathReply& reply);

// Nothing unless the block is a route list reply holding the local node; entries outside the
// block are empty.
std::optional<RouteList> decodeRouteList(proto::Bytes block);

// Nothing unless the block is a path reply holding the local node and all eight hops.
std::optional<PathList> decodePathList(proto::Bytes block);

}  // namespace forms
