#pragma once
// Read route list / Read path list requests and their replies as the label lists the route
// display draws.

#include <optional>
#include <string_view>

#include "ControlTexts.h"
#include "Frame.h"

namespace proto {

Frame buildReadRouteList();  // 01 00 03 00 02
Frame buildReadPathList();   // 01 00 08 00 09

inline constexpr std::string_view kRouteError = "> Read route error,type:path error.";

// Nothing unless the block is a route list reply holding the local node; entries outside the
// block are empty.
std::optional<RouteList> decodeRouteList(Bytes block);

// Nothing unless the block is a path reply holding the local node and all eight hops.
std::optional<PathList> decodePathList(Bytes block);

}  // namespace proto
