#pragma once
// Route list and path list replies as the module sends them, built from the nodes a test
// wants to see: 40 route entries and 8 path hops, those not given empty.

#include <cstdint>
#include <vector>

#include "Frame.h"

inline constexpr std::uint16_t kEmptyNode = 0xFFFF;

struct RouteSlot {
    std::uint16_t target;
    std::uint16_t route;  // kEmptyNode: an unused entry
};

struct PathSlot {
    std::uint8_t link;
    std::uint16_t node;  // kEmptyNode: an unused hop
};

// 369 bytes: local node at offset 4, the entries from offset 8, 9 bytes each.
proto::Frame routeListReply(std::uint16_t local, const std::vector<RouteSlot>& entries);

// 32 bytes: local node at offset 5, the hops from offset 7, 3 bytes each.
proto::Frame pathListReply(std::uint16_t local, const std::vector<PathSlot>& hops);
