#pragma once
// Read route list / Read path list requests and the decoding of their replies into the
// label lists the route display draws.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Frame.h"
#include "Messages.h"

namespace proto {

Frame buildReadRouteList();  // 01 00 03 00 02
Frame buildReadPathList();   // 01 00 08 00 09

inline constexpr std::string_view kRouteError = "> Read route error,type:path error.";

struct RouteList {
    std::string localNode{};
    std::vector<std::string> routeNodes{};  // entry k of both lists comes from one route entry
    std::vector<std::string> targetNodes{};
};

// Nothing when the block does not hold the local node; entries outside the block are empty.
std::optional<RouteList> decodeRouteList(Bytes block);

struct PathList {
    std::vector<std::string> pathNodes{};   // local node first, target last
    std::vector<std::string> linkValues{};  // "-%d", one fewer than pathNodes
};

// Nothing unless the block holds the local node and all eight hops.
std::optional<PathList> decodePathList(Bytes block);

}  // namespace proto
