#pragma once
// The way data takes from one node to another, read from the route lists: each module's route
// to the target names its first hop, and that hop's own route goes on from there. Only modules
// on a port read out their lists, so the way is known only while every node along it is one.

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "MeshGraph.h"

namespace mesh {

// The nodes from `from` to `to`, both included; empty when a node on the way has no route to
// `to`, or the routes go round in a loop.
std::vector<std::uint16_t> routeBetween(const MeshGraph& graph, std::uint16_t from,
                                        std::uint16_t to);

// The hops of every route in the graph whose way reaches its target, keyed (from, to). Each
// module's way is followed once, however many other routes run along it.
using RouteKey = std::pair<std::uint16_t, std::uint16_t>;  // (from, to)
std::map<RouteKey, int> routeHopCounts(const MeshGraph& graph);

}  // namespace mesh
