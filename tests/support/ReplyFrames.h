#pragma once
// Route list and path list replies as the module sends them, built from the nodes a test
// wants to see: the route entries and path hops not given are empty.

#include <cstdint>
#include <vector>

#include "Frame.h"
#include "Messages.h"

struct RouteSlot {
    std::uint16_t target;
    std::uint16_t route;  // kEmptyNode: an unused entry
};

struct PathSlot {
    std::uint8_t link;
    std::uint16_t node;  // kEmptyNode: an unused hop
};

// Entry i of the reply is entries[i].
proto::Frame routeListReply(std::uint16_t local, const std::vector<RouteSlot>& entries);

// Hop i of the reply is hops[i]: hop 0 is the target's, as the module lists them.
proto::Frame pathListReply(std::uint16_t local, const std::vector<PathSlot>& hops);
